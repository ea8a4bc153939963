// The memory table's exceptions.
//
// Every failure of the dataset base and the memory table leaves through one
// family rooted at EDataError, so a caller can catch them all and show what().
// The message is the exact text the user sees; where the table's component
// name belongs in front it is already there ("tBaza: Field 'x' not found").
#pragma once

#include <stdexcept>
#include <string>

namespace spisotek {

class EDataError : public std::runtime_error {
  public:
    explicit EDataError(const std::string& message) : std::runtime_error(message) {}
};

// Dataset and field errors ("Dataset not in edit or insert mode", "No Records").
class EDatabaseError : public EDataError {
  public:
    using EDataError::EDataError;
};

// A value that cannot take the form asked of it
// ("'abc' is not a valid integer value for field 'clientid'").
class EConvertError : public EDataError {
  public:
    using EDataError::EDataError;
};

// An index outside a list ("List index out of bounds (3)").
class EListError : public EDataError {
  public:
    using EDataError::EDataError;
};

// A typed value used as a type it cannot become, or an array index outside it.
class EVariantError : public EDataError {
  public:
    using EDataError::EDataError;
};

// A file that cannot be opened for reading: "Cannot open file \"<path>\". <reason>".
class EFOpenError : public EDataError {
  public:
    using EDataError::EDataError;
};

// A file that cannot be created: "Cannot create file \"<path>\". <reason>".
class EFCreateError : public EDataError {
  public:
    using EDataError::EDataError;
};

// A read or write that failed after the file was opened.
class EInOutError : public EDataError {
  public:
    using EDataError::EDataError;
};

// A silent cancellation requested by an error handler (daAbort).
class EAbort : public EDataError {
  public:
    EAbort() : EDataError("Operation aborted") {}
};

}  // namespace spisotek
