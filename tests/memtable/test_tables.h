// Tables and temp files shared by the memory-table tests.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "memtable/db_error.h"
#include "memtable/mem_data.h"

namespace spisotek::test {

// A subscriber table with the directory's fields.
inline std::unique_ptr<TdxMemData> MakeBaza(const std::string& name = "tBaza") {
    auto table = std::make_unique<TdxMemData>(name);
    table->AddField("clientid", ftInteger);
    table->AddField("imie", ftString, 100);
    table->AddField("nazwisko", ftString, 100);
    table->AddField("miasto", ftString, 100);
    table->AddField("ulica", ftString, 100);
    table->AddField("numer_tel", ftString, 20);
    return table;
}

// A directory removed with everything in it when the object goes.
class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "memtableXXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string file = (path_ / name).string();
        std::ofstream out(file, std::ios::binary);
        out << bytes;
        return file;
    }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

inline std::string ReadFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The message of the database error that action raises, or "<no error>".
template <typename F>
std::string ErrorText(F&& action) {
    try {
        action();
    } catch (const EDataError& error) {
        return error.what();
    }
    return "<no error>";
}

}  // namespace spisotek::test
