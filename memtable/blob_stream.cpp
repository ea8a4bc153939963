#include "memtable/blob_stream.h"

#include <algorithm>
#include <cstring>

#include "memtable/dataset.h"
#include "memtable/db_error.h"

namespace spisotek {

namespace {
// A blob value is held whole in memory; beyond this a write is refused
// rather than allocating without bound.
constexpr int64_t kMaxBlobSize = int64_t{1} << 31;
}  // namespace

TMemBlobStream::TMemBlobStream(TField& field, TBlobStreamMode mode) : field_(&field), mode_(mode) {
    if (mode == bmRead) {
        return;
    }
    if (field.ReadOnly()) {
        throw EDatabaseError("Field '" + field.DisplayName() + "' cannot be modified");
    }
    const TDataSetState state = field.DataSet().State();
    if (state != dsEdit && state != dsInsert) {
        throw EDatabaseError("Dataset not in edit or insert mode");
    }
    if (mode == bmWrite) {
        const std::string empty;
        field.DataSet().SetFieldData(field, &empty);
        modified_ = true;
    }
}

std::string TMemBlobStream::Value() const {
    const void* data = field_->DataSet().GetFieldData(*field_);
    if (data == nullptr || !field_->IsBlob()) {
        return {};
    }
    return *static_cast<const std::string*>(data);
}

int64_t TMemBlobStream::Size() const {
    return static_cast<int64_t>(Value().size());
}

int64_t TMemBlobStream::Read(void* buffer, int64_t count) {
    if (count <= 0) {
        return 0;
    }
    const void* data = field_->DataSet().GetFieldData(*field_);
    if (data == nullptr || !field_->IsBlob()) {
        return 0;
    }
    const std::string& value = *static_cast<const std::string*>(data);
    const int64_t size = static_cast<int64_t>(value.size());
    if (position_ >= size) {
        return 0;
    }
    const int64_t bytes = std::min(count, size - position_);
    std::memcpy(buffer, value.data() + position_, static_cast<size_t>(bytes));
    position_ += bytes;
    return bytes;
}

int64_t TMemBlobStream::Write(const void* buffer, int64_t count) {
    if (mode_ == bmRead) {
        throw EDatabaseError("Field '" + field_->DisplayName() + "' cannot be modified");
    }
    if (count <= 0) {
        return 0;
    }
    if (count > kMaxBlobSize || position_ > kMaxBlobSize - count) {
        throw EDataError("Blob value too large");
    }
    std::string value = Value();
    const size_t end = static_cast<size_t>(position_ + count);
    if (value.size() < end) {
        value.resize(end, '\0');
    }
    std::memcpy(value.data() + position_, buffer, static_cast<size_t>(count));
    field_->DataSet().SetFieldData(*field_, &value);
    position_ += count;
    modified_ = true;
    return count;
}

int64_t TMemBlobStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = 0;
    if (origin == soCurrent) {
        base = position_;
    } else if (origin == soEnd) {
        base = Size();
    }
    const int64_t target = base + offset;
    if (target < 0) {
        throw EDataError("Seek before the start of a blob stream");
    }
    position_ = target;
    return position_;
}

std::string TMemBlobStream::ReadAll() {
    std::string out(static_cast<size_t>(std::max<int64_t>(Size() - position_, 0)), '\0');
    out.resize(static_cast<size_t>(Read(out.data(), static_cast<int64_t>(out.size()))));
    return out;
}

}  // namespace spisotek
