// Shared pieces of the search tests: a temp program folder, a recording
// view and expected page text written out line by line.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cp1250.h"
#include "search/search_view.h"

namespace spisotek::search::testing {

// A fresh folder under the temp dir, removed with everything in it.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "spisotek-search-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // With the trailing '/' the searches expect.
    std::string Folder() const { return path_.string() + "/"; }
    std::string PathOf(std::string_view name) const { return (path_ / name).string(); }

    void Write(std::string_view name, std::string_view bytes) const {
        std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    // Lines given in UTF-8, written as Windows-1250 with CR LF.
    void WriteLines(std::string_view name, std::initializer_list<std::string_view> lines) const {
        std::string bytes;
        for (std::string_view line : lines) {
            bytes += platform::Utf8ToCp1250(line);
            bytes += "\r\n";
        }
        Write(name, bytes);
    }

  private:
    std::filesystem::path path_;
};

// Lines (UTF-8 in the test source) as the viewer receives them.
inline std::string Document(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) {
        text += platform::Utf8ToCp1250(line);
        text += "\r\n";
    }
    return text;
}

inline std::string Cp(std::string_view utf8) {
    return platform::Utf8ToCp1250(utf8);
}

// Records every call in order: "load", "show", "hide", "message".
class RecordingView : public SearchView {
  public:
    struct Event {
        std::string kind;
        std::string text;  // the page or the message, Windows-1250
    };

    void LoadPage(const HtmlPage& page) override { events.push_back({"load", page.Text()}); }
    void SetViewerVisible(bool visible) override {
        events.push_back({visible ? "show" : "hide", ""});
    }
    void ShowMessage(const std::string& cp1250Text) override {
        events.push_back({"message", cp1250Text});
    }
    void EntryAccepted(const AcceptedEntry& entry) override {
        accepted.push_back(std::string(entry.heading1) + "|" + std::string(entry.heading2) + "|" +
                           std::string(entry.address) + "|" + std::string(entry.telephone) + "|" +
                           std::string(entry.locality));
    }

    std::vector<std::string> Kinds() const {
        std::vector<std::string> kinds;
        for (const Event& event : events) {
            kinds.push_back(event.kind);
        }
        return kinds;
    }
    const std::string& LastPage() const {
        for (auto it = events.rbegin(); it != events.rend(); ++it) {
            if (it->kind == "load") {
                return it->text;
            }
        }
        static const std::string kNone;
        return kNone;
    }

    std::vector<Event> events;
    std::vector<std::string> accepted;  // Windows-1250, fields joined by '|'
};

}  // namespace spisotek::search::testing
