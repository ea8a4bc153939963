// The delimited text table file: a header line of field names and one line
// per record, values separated by the table's delimiter, no quoting.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "memtable/mem_data.h"
#include "platform/text_collator.h"

namespace spisotek {
namespace {

// Walks the lines of a text: a line ends at CR LF, LF or CR; a final line end
// starts no further line. The positions of the next CR and the next LF are
// kept, so a file that uses only one kind is still read in one pass.
class LineReader {
  public:
    explicit LineReader(std::string_view text)
        : position_(text.data()), end_(text.data() + text.size()) {}

    bool Next(std::string_view& line) {
        if (position_ == end_) {
            return false;
        }
        if (nextLf_ < position_) {
            nextLf_ = Find('\n');
        }
        if (nextCr_ < position_) {
            nextCr_ = Find('\r');
        }
        const char* lineEnd = nextLf_ < nextCr_ ? nextLf_ : nextCr_;
        line = std::string_view(position_, static_cast<size_t>(lineEnd - position_));
        if (lineEnd == end_) {
            position_ = end_;
        } else if (*lineEnd == '\r' && lineEnd + 1 < end_ && lineEnd[1] == '\n') {
            position_ = lineEnd + 2;
        } else {
            position_ = lineEnd + 1;
        }
        return true;
    }

  private:
    const char* Find(char ch) const {
        const void* found = std::memchr(position_, ch, static_cast<size_t>(end_ - position_));
        return found != nullptr ? static_cast<const char*>(found) : end_;
    }

    const char* position_;
    const char* end_;
    const char* nextLf_ = nullptr;
    const char* nextCr_ = nullptr;
};

// Calls onValue(index, value) for each value of a line: the text before the
// first delimiter, then the rest; a delimiter at the very end gives no value.
template <typename OnValue>
void SplitLine(std::string_view line, char delimiter, OnValue&& onValue) {
    int index = 0;
    while (!line.empty()) {
        const void* found = std::memchr(line.data(), delimiter, line.size());
        if (found == nullptr) {
            onValue(index, line);
            return;
        }
        const auto length = static_cast<size_t>(static_cast<const char*>(found) - line.data());
        onValue(index, line.substr(0, length));
        line.remove_prefix(length + 1);
        ++index;
    }
}

// Large buffers are filled faster with fewer, larger pages.
void AdviseHugePages(char* buffer, size_t size) {
    constexpr uintptr_t kHugePage = 2 * 1024 * 1024;
    const auto begin = (reinterpret_cast<uintptr_t>(buffer) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<uintptr_t>(buffer) + size) & ~(kHugePage - 1);
    if (end > begin) {
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
}

struct FileText {
    std::unique_ptr<char[]> bytes;  // one byte more than size
    size_t size = 0;
};

FileText ReadWholeFile(const std::string& fileName) {
    const auto openError = [&fileName](int error) {
        return EFOpenError("Cannot open file \"" + fileName + "\". " + std::strerror(error));
    };
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw openError(errno);
    }
    FileText text;
    size_t capacity = 0;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        capacity = static_cast<size_t>(info.st_size);
    }
    capacity = std::max<size_t>(capacity, 4096);
    text.bytes.reset(new char[capacity + 1]);
    AdviseHugePages(text.bytes.get(), capacity + 1);
    for (;;) {
        if (text.size == capacity) {
            // Full: grow only when the file goes on (it grew, or its size was
            // unknown).
            char probe = 0;
            const ssize_t more = ::read(fd, &probe, 1);
            if (more < 0 && errno == EINTR) {
                continue;
            }
            if (more <= 0) {
                const int error = errno;
                ::close(fd);
                if (more < 0) {
                    throw openError(error);
                }
                return text;
            }
            const size_t larger = capacity * 2;
            std::unique_ptr<char[]> bytes(new char[larger + 1]);
            std::memcpy(bytes.get(), text.bytes.get(), text.size);
            bytes[text.size++] = probe;
            text.bytes = std::move(bytes);
            capacity = larger;
            continue;
        }
        const ssize_t got = ::read(fd, text.bytes.get() + text.size, capacity - text.size);
        if (got < 0) {
            const int error = errno;
            if (error == EINTR) {
                continue;
            }
            ::close(fd);
            throw openError(error);
        }
        if (got == 0) {
            break;
        }
        text.size += static_cast<size_t>(got);
    }
    ::close(fd);
    return text;
}

}  // namespace

void TdxMemData::LoadDelimitedFile(const std::string& fileName) {
    FileText text = ReadWholeFile(fileName);
    LoadDelimitedText(std::move(text.bytes), text.size);
}

void TdxMemData::LoadDelimitedData(std::string_view data) {
    std::unique_ptr<char[]> text(new char[data.size() + 1]);
    std::memcpy(text.get(), data.data(), data.size());
    LoadDelimitedText(std::move(text), data.size());
}

void TdxMemData::LoadDelimitedText(std::unique_ptr<char[]> text, size_t size) {
    text[size] = '\0';
    // A zero byte ends the text.
    size = strnlen(text.get(), size);
    if (size == 0) {
        return;  // no lines: the table keeps its state and records
    }
    const bool wasInternal = internalMode_;
    internalMode_ = true;
    DisableControls();
    try {
        Close();
        Open();
        char* bytes = text.get();
        // The records' texts stay where they lie in the file's bytes.
        memFields_->texts.Adopt(std::move(text));
        ParseDelimited(bytes, size);
    } catch (...) {
        internalMode_ = wasInternal;
        EnableControls();
        throw;
    }
    internalMode_ = wasInternal;
    First();
    ApplySort();
    EnableControls();
}

void TdxMemData::ParseDelimited(char* bytes, size_t size) {
    const std::string_view text(bytes, size);
    LineReader lines(text);
    std::string_view line;
    if (!lines.Next(line)) {
        return;
    }
    // Columns without a stored data field are skipped on every line.
    struct Column {
        TField* field;
        const TdxMemField* text;  // a string field's descriptor: filled in place
    };
    std::vector<Column> columns;
    SplitLine(line, delimiter_, [this, &columns](int, std::string_view name) {
        TField* field = FindField(name);
        if (field != nullptr && (field->FieldKind() != fkData || field->IsBlob())) {
            field = nullptr;
        }
        const TdxMemField* desc = nullptr;
        if (field != nullptr && field->DataType() == ftString) {
            desc = &memFields_->items[static_cast<size_t>(FieldBinding(*field))];
        }
        columns.push_back({field, desc});
    });

    const std::string_view rest(
        line.data() + line.size(),
        static_cast<size_t>(text.data() + text.size() - (line.data() + line.size())));
    size_t expected = static_cast<size_t>(std::count(rest.begin(), rest.end(), '\n'));
    if (expected == 0) {
        expected = static_cast<size_t>(std::count(rest.begin(), rest.end(), '\r'));
    }
    memFields_->records.reserve(expected + 1);
    recordIds_.reserve(expected + 1);
    memFields_->arena.Reserve(expected + 1);

    const auto columnCount = static_cast<int>(columns.size());
    while (lines.Next(line)) {
        Append();
        try {
            SplitLine(line, delimiter_, [&](int index, std::string_view value) {
                if (index >= columnCount) {
                    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
                }
                const Column& column = columns[static_cast<size_t>(index)];
                if (column.field == nullptr || value.empty()) {
                    return;
                }
                if (column.text != nullptr) {
                    // At most Size() characters, terminated where the value
                    // ends: the byte there is a delimiter or line end already
                    // passed, or the spare byte after the text.
                    char* start = bytes + (value.data() - text.data());
                    const size_t length =
                        std::min(value.size(), static_cast<size_t>(column.field->Size()));
                    start[length] = '\0';
                    SetTextRef(*column.text, std::string_view(start, length));
                } else {
                    column.field->SetAsString(value);
                }
            });
            Post();
        } catch (...) {
            Cancel();
            throw;
        }
    }
}

void TdxMemData::SaveDelimitedFile(const std::string& fileName) {
    if (!Active()) {
        return;
    }
    CheckBrowseMode();
    DisableControls();
    const int savedRecNo = RecNo();
    std::vector<TField*> columns;
    for (int i = 0; i < FieldCount(); ++i) {
        TField& field = Field(i);
        if (field.FieldKind() == fkData && !field.IsBlob()) {
            columns.push_back(&field);
        }
    }
    std::string out;
    const auto appendLine = [this, &out, &columns](auto&& valueOf) {
        for (size_t i = 0; i < columns.size(); ++i) {
            if (i > 0) {
                out += delimiter_;
            }
            out += valueOf(*columns[i]);
        }
        out += "\r\n";
    };
    try {
        appendLine([](TField& field) -> std::string_view { return field.FieldName(); });
        First();
        while (!Eof()) {
            appendLine([](TField& field) { return field.AsStringView(); });
            Next();
        }
    } catch (...) {
        SetRecNo(savedRecNo);
        EnableControls();
        throw;
    }
    SetRecNo(savedRecNo);
    EnableControls();

    std::FILE* file = std::fopen(fileName.c_str(), "wb");
    if (file == nullptr) {
        throw EFCreateError("Cannot create file \"" + fileName + "\". " + std::strerror(errno));
    }
    const size_t written = std::fwrite(out.data(), 1, out.size(), file);
    const int writeError = written != out.size() ? errno : 0;
    const bool closed = std::fclose(file) == 0;
    if (written != out.size() || !closed) {
        throw EInOutError("Cannot write file \"" + fileName + "\". " +
                          std::strerror(writeError != 0 ? writeError : errno));
    }
}

}  // namespace spisotek
