// The one error type the update engine raises: an input or output failure of
// its temp files or of the log file. Everything else the engine reports as
// numbered statuses and result codes.
#pragma once

#include <stdexcept>
#include <string>

namespace spisotek::webupdate {

class InOutError : public std::runtime_error {
  public:
    // "I/O error <code>: <path>", code being the system's error number.
    InOutError(int code, const std::string& path)
        : std::runtime_error("I/O error " + std::to_string(code) + ": " + path), code_(code) {}

    int Code() const { return code_; }

  private:
    int code_;
};

}  // namespace spisotek::webupdate
