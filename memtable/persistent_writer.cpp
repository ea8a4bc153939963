#include "memtable/persistent_writer.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include "memtable/mem_data.h"
#include "memtable/persistent.h"

namespace spisotek::memtable {

namespace {

void PutLe(std::string& out, uint64_t value, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

}  // namespace

TPersistentWriter::TPersistentWriter(bool withSignature, double version)
    : signed_(withSignature), version_(version) {}

void TPersistentWriter::AddField(std::string_view name, TFieldType type, int size) {
    const int code = PersistentCodeOf(type);
    if (code == 0) {
        throw std::logic_error("type not storable");
    }
    if (name.size() > 255) {
        throw std::logic_error("field name too long");
    }
    if (!records_.empty() || next_ != 0) {
        throw std::logic_error("fields after records");
    }
    const int32_t stored = FieldDataSize(type, size);
    PutLe(descriptions_, static_cast<uint32_t>(stored), 4);
    PutLe(descriptions_, static_cast<uint16_t>(code), 2);
    PutLe(descriptions_, static_cast<uint16_t>(name.size()), 2);
    descriptions_.append(name);
    columns_.push_back(Column{type, stored});
    ++fieldCount_;
}

const TPersistentWriter::Column& TPersistentWriter::NextColumn() {
    if (columns_.empty()) {
        throw std::logic_error("no fields");
    }
    const Column& column = columns_[next_];
    next_ = (next_ + 1) % columns_.size();
    return column;
}

void TPersistentWriter::PutInt32(int32_t value) {
    PutLe(records_, static_cast<uint32_t>(value), 4);
}

void TPersistentWriter::AddNull() {
    const Column& column = NextColumn();
    if (column.type == ftString || column.type == ftWideString || IsBlobType(column.type)) {
        PutInt32(0);
        return;
    }
    if (!signed_) {
        throw std::logic_error("unsigned data cannot hold a null fixed-size value");
    }
    records_.push_back('\0');
    records_.append(static_cast<size_t>(column.size), '\0');
}

void TPersistentWriter::AddText(std::string_view text) {
    const Column& column = NextColumn();
    if (column.type != ftString) {
        throw std::logic_error("not a text field");
    }
    PutInt32(static_cast<int32_t>(text.size() + 1));
    records_.append(text);
    records_.push_back('\0');
}

void TPersistentWriter::AddWideText(std::u16string_view text) {
    const Column& column = NextColumn();
    if (column.type != ftWideString) {
        throw std::logic_error("not a wide text field");
    }
    // n counts the terminating zero, so even an empty text is stored as a
    // value (n = 1 would read back as null).
    const size_t n = text.size() + 1;
    PutInt32(static_cast<int32_t>(n));
    records_.push_back('\1');
    for (char16_t unit : text) {
        PutLe(records_, unit, 2);
    }
    PutLe(records_, 0, 2);
}

void TPersistentWriter::AddBlob(std::string_view bytes) {
    const Column& column = NextColumn();
    if (!IsBlobType(column.type)) {
        throw std::logic_error("not a blob field");
    }
    PutInt32(static_cast<int32_t>(bytes.size()));
    records_.append(bytes);
}

void TPersistentWriter::AddFixed(const void* bytes, size_t size) {
    const Column& column = NextColumn();
    if (column.type == ftString || column.type == ftWideString || IsBlobType(column.type) ||
        size != static_cast<size_t>(column.size)) {
        throw std::logic_error("not a fixed-size value of this field");
    }
    if (signed_) {
        records_.push_back('\1');
    }
    records_.append(static_cast<const char*>(bytes), size);
}

void TPersistentWriter::AddInteger(int64_t value) {
    const Column& column = columns_.empty() ? throw std::logic_error("no fields") : columns_[next_];
    unsigned char bytes[8];
    for (size_t i = 0; i < 8; ++i) {
        bytes[i] = static_cast<unsigned char>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF);
    }
    AddFixed(bytes, static_cast<size_t>(column.size) <= 8 ? static_cast<size_t>(column.size) : 8);
}

void TPersistentWriter::AddDouble(double value) {
    unsigned char bytes[8];
    std::memcpy(bytes, &value, 8);
    AddFixed(bytes, 8);
}

void TPersistentWriter::AddBoolean(bool value) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(value ? 1 : 0), 0};
    AddFixed(bytes, 2);
}

std::string TPersistentWriter::Data() const {
    if (next_ != 0) {
        throw std::logic_error("incomplete record");
    }
    std::string out;
    if (signed_) {
        out.append("Ver");
        uint64_t raw = 0;
        std::memcpy(&raw, &version_, 8);
        PutLe(out, raw, 8);
    }
    PutLe(out, static_cast<uint32_t>(fieldCount_), 4);
    out.append(descriptions_);
    out.append(records_);
    return out;
}

std::string TPersistentWriter::FromTable(TdxMemData& table) {
    TPersistentWriter writer;
    std::vector<TField*> fields;
    for (int i = 0; i < table.FieldCount(); ++i) {
        TField& field = table.Field(i);
        const bool stored = i == 0 || field.FieldKind() == fkData;
        if (stored && PersistentCodeOf(field.DataType()) != 0) {
            writer.AddField(field.FieldName(), field.DataType(), field.Size());
            fields.push_back(&field);
        }
    }
    if (!table.Active() || fields.empty()) {
        return writer.Data();
    }
    table.First();
    while (!table.Eof()) {
        for (TField* field : fields) {
            const void* data = table.GetFieldData(*field);
            const TFieldType type = field->DataType();
            if (data == nullptr) {
                writer.AddNull();
            } else if (type == ftString) {
                writer.AddText(static_cast<const char*>(data));
            } else if (type == ftWideString) {
                writer.AddWideText(*static_cast<const std::u16string*>(data));
            } else if (IsBlobType(type)) {
                writer.AddBlob(*static_cast<const std::string*>(data));
            } else {
                writer.AddFixed(data, static_cast<size_t>(field->DataSize()));
            }
        }
        table.Next();
    }
    return writer.Data();
}

}  // namespace spisotek::memtable
