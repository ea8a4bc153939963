#include "memtable/persistent.h"

#include <cmath>
#include <cstring>

#include "memtable/db_error.h"

namespace spisotek::memtable {

namespace {

constexpr int kMaxNameLength = 255;

// A cursor over the data that refuses to read past its end.
class ByteReader {
  public:
    explicit ByteReader(std::string_view data, size_t position = 0)
        : data_(data), position_(position) {}

    size_t Position() const { return position_; }
    size_t Left() const { return position_ < data_.size() ? data_.size() - position_ : 0; }
    bool AtEnd() const { return Left() == 0; }

    bool Read(void* out, size_t bytes) {
        if (Left() < bytes) {
            return false;
        }
        std::memcpy(out, data_.data() + position_, bytes);
        position_ += bytes;
        return true;
    }
    template <typename T>
    bool ReadLe(T& value) {
        unsigned char bytes[sizeof(T)];
        if (!Read(bytes, sizeof(T))) {
            return false;
        }
        uint64_t raw = 0;
        for (size_t i = 0; i < sizeof(T); ++i) {
            raw |= static_cast<uint64_t>(bytes[i]) << (8 * i);
        }
        if constexpr (sizeof(T) == 8 && std::is_floating_point_v<T>) {
            std::memcpy(&value, &raw, sizeof(T));
        } else {
            value = static_cast<T>(raw);
        }
        return true;
    }
    bool Take(size_t bytes, std::string_view& out) {
        if (Left() < bytes) {
            return false;
        }
        out = data_.substr(position_, bytes);
        position_ += bytes;
        return true;
    }
    bool Skip(size_t bytes) {
        if (Left() < bytes) {
            return false;
        }
        position_ += bytes;
        return true;
    }

  private:
    std::string_view data_;
    size_t position_;
};

enum class Kind { kText, kWide, kBlob, kFixed };

Kind KindOf(TFieldType type) {
    if (type == ftString) {
        return Kind::kText;
    }
    if (type == ftWideString) {
        return Kind::kWide;
    }
    if (IsBlobType(type)) {
        return Kind::kBlob;
    }
    return Kind::kFixed;
}

constexpr TFieldType kCodeTypes[] = {
    ftUnknown,  ftString,      ftSmallint,   ftInteger, ftWord,    ftBoolean,
    ftFloat,    ftCurrency,    ftBCD,        ftDate,    ftTime,    ftDateTime,
    ftAutoInc,  ftBlob,        ftMemo,       ftGraphic, ftFmtMemo, ftParadoxOle,
    ftDBaseOle, ftTypedBinary, ftWideString, ftLargeint};
constexpr int kCodeCount = static_cast<int>(sizeof(kCodeTypes) / sizeof(kCodeTypes[0]));

// Reads one value of a matched description. False: the data ended or a
// length cannot be right; the record is lost.
bool ReadValue(ByteReader& reader, Kind kind, const TPersistentDescription& description,
               const TPersistentTarget& target, bool nullFlags, TPersistentValue& value) {
    value = TPersistentValue{};
    switch (kind) {
        case Kind::kText: {
            int32_t n = 0;
            if (!reader.ReadLe(n)) {
                return false;
            }
            if (n <= 0) {
                return true;
            }
            std::string_view bytes;
            if (!reader.Take(static_cast<size_t>(n), bytes)) {
                return false;
            }
            if (n == 1) {
                return true;
            }
            const size_t zero = bytes.find('\0');
            if (zero != std::string_view::npos) {
                bytes = bytes.substr(0, zero);
            }
            if (target.textSize >= 0 && bytes.size() > static_cast<size_t>(target.textSize)) {
                bytes = bytes.substr(0, static_cast<size_t>(target.textSize));
            }
            value.isNull = false;
            value.bytes.assign(bytes);
            return true;
        }
        case Kind::kWide: {
            int32_t n = 0;
            if (!reader.ReadLe(n)) {
                return false;
            }
            if (n <= 1) {
                return true;
            }
            unsigned char flag = 0;
            if (!reader.Read(&flag, 1)) {
                return false;
            }
            std::string_view bytes;
            if (static_cast<uint64_t>(n) * 2 > reader.Left() ||
                !reader.Take(static_cast<size_t>(n) * 2, bytes)) {
                return false;
            }
            if (flag == 0) {
                return true;
            }
            std::u16string text;
            const size_t units = bytes.size() / 2;
            size_t keep = units;
            if (target.textSize >= 0 && keep > static_cast<size_t>(target.textSize)) {
                keep = static_cast<size_t>(target.textSize);
            }
            text.reserve(keep);
            for (size_t i = 0; i < keep; ++i) {
                const char16_t unit =
                    static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                          (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
                if (unit == 0) {
                    break;
                }
                text.push_back(unit);
            }
            value.isNull = false;
            value.wide = std::move(text);
            return true;
        }
        case Kind::kBlob: {
            int32_t n = 0;
            if (!reader.ReadLe(n)) {
                return false;
            }
            if (n < 0) {
                return false;
            }
            std::string_view bytes;
            if (!reader.Take(static_cast<size_t>(n), bytes)) {
                return false;
            }
            value.isNull = n == 0;
            value.bytes.assign(bytes);
            return true;
        }
        case Kind::kFixed: {
            unsigned char flag = 1;
            if (nullFlags && !reader.Read(&flag, 1)) {
                return false;
            }
            if (description.size < 0) {
                return false;
            }
            std::string_view bytes;
            if (!reader.Take(static_cast<size_t>(description.size), bytes)) {
                return false;
            }
            if (flag != 0) {
                value.isNull = false;
                value.bytes.assign(bytes);
            }
            return true;
        }
    }
    return false;
}

// Skips one value of a description that matched no field, by its type code.
bool SkipValue(ByteReader& reader, const TPersistentDescription& description, bool nullFlags) {
    const Kind kind = KindOf(PersistentTypeOf(description.typeCode));
    if (kind == Kind::kFixed) {
        if (nullFlags && !reader.Skip(1)) {
            return false;
        }
        return description.size >= 0 && reader.Skip(static_cast<size_t>(description.size));
    }
    // Text, wide text and blobs alike: the length, then that many bytes.
    int32_t n = 0;
    if (!reader.ReadLe(n)) {
        return false;
    }
    return n <= 0 || reader.Skip(static_cast<size_t>(n));
}

}  // namespace

TFieldType PersistentTypeOf(int code) {
    return code > 0 && code < kCodeCount ? kCodeTypes[code] : ftUnknown;
}

int PersistentCodeOf(TFieldType type) {
    for (int code = 1; code < kCodeCount; ++code) {
        if (kCodeTypes[code] == type) {
            return code;
        }
    }
    return 0;
}

TPersistentHeader ReadPersistentHeader(std::string_view data) {
    TPersistentHeader header;
    ByteReader reader(data);
    char signature[3];
    double version = 0;
    if (reader.Read(signature, 3) && std::memcmp(signature, "Ver", 3) == 0 &&
        reader.ReadLe(version)) {
        // NaN and everything below 1 count as 1: a signed block always has
        // null flags.
        header.version = version >= 1.0 ? version : 1.0;
    } else {
        reader = ByteReader(data);
        header.version = 0;
    }
    int32_t count = 0;
    if (!reader.ReadLe(count)) {
        header.recordsStart = data.size();
        return header;
    }
    // No reserve by the stored count: each description needs 8 bytes at
    // least, so the data bounds the list.
    for (int32_t i = 0; i < count; ++i) {
        TPersistentDescription description;
        int16_t nameLength = 0;
        if (!reader.ReadLe(description.size) || !reader.ReadLe(description.typeCode) ||
            !reader.ReadLe(nameLength)) {
            // Cut short: the data has ended, no records follow.
            header.recordsStart = data.size();
            return header;
        }
        if (nameLength < 0 || nameLength > kMaxNameLength) {
            throw EDatabaseError("The data is incorrect");
        }
        std::string_view name;
        if (!reader.Take(static_cast<size_t>(nameLength), name)) {
            header.recordsStart = data.size();
            return header;
        }
        const size_t zero = name.find('\0');
        description.name.assign(zero == std::string_view::npos ? name : name.substr(0, zero));
        header.descriptions.push_back(std::move(description));
    }
    header.recordsStart = reader.Position();
    return header;
}

int ReadPersistentRecords(
    std::string_view data, const TPersistentHeader& header,
    const std::vector<TPersistentTarget>& targets,
    const std::function<void(const std::vector<TPersistentValue>&)>& onRecord) {
    ByteReader reader(data, header.recordsStart);
    const bool nullFlags = header.version > 0;
    const size_t count = header.descriptions.size();
    std::vector<TPersistentValue> values(count);
    int records = 0;
    while (!reader.AtEnd()) {
        const size_t start = reader.Position();
        bool complete = true;
        for (size_t i = 0; i < count && complete; ++i) {
            const TPersistentDescription& description = header.descriptions[i];
            const TPersistentTarget target = i < targets.size() ? targets[i] : TPersistentTarget{};
            if (target.type == ftUnknown) {
                values[i] = TPersistentValue{};
                complete = SkipValue(reader, description, nullFlags);
            } else {
                complete = ReadValue(reader, KindOf(target.type), description, target, nullFlags,
                                     values[i]);
            }
        }
        if (!complete) {
            break;
        }
        // A record of no bytes would repeat forever.
        if (reader.Position() == start) {
            break;
        }
        onRecord(values);
        ++records;
    }
    return records;
}

}  // namespace spisotek::memtable
