// The HTML documents the searches show: the wait page and the results page
// with its entry blocks.
//
// A page is a list of Windows-1250 lines. It is kept as the document the
// viewer receives, every line followed by CR LF, in large pieces, so a
// results page of many entries grows without re-copying what it holds.
// Field values go into the lines unchanged (no escaping, no trimming).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace spisotek::search {

class HtmlPage {
  public:
    HtmlPage() = default;

    void AddLine(std::string_view line);

    // The joined document: each line followed by CR LF, the last one too.
    std::string Text() const;
    // The same bytes in order, in pieces: a large page is built and handed
    // on without ever being copied whole while it grows.
    const std::vector<std::string>& Pieces() const { return pieces_; }
    std::size_t Size() const { return size_; }
    std::size_t LineCount() const { return lineCount_; }
    // The lines without their CR LF (for callers that want a list).
    std::vector<std::string> Lines() const;
    void Clear();

  private:
    std::vector<std::string> pieces_;
    std::size_t size_ = 0;
    std::size_t lineCount_ = 0;
};

// The ten lines shown while a search works.
HtmlPage BuildWaitPage();

// The eight head lines and the three foot lines of a results page.
void AppendHead(HtmlPage& page);
void AppendFoot(HtmlPage& page);

// The 15-line block of one directory entry: heading h1 + "&nbsp;" + h2,
// address text a, telephone t, locality m. The marked variant tags the
// bottom row's cells with the class "news_tresc".
void AppendEntryBlock(HtmlPage& page, std::string_view h1, std::string_view h2, std::string_view a,
                      std::string_view t, std::string_view m, bool marked);

// Address line of a company entry: ulica + "&nbsp;" + nrDomu, then "/" +
// nrLokalu when the flat number has anything beyond spaces and control
// characters, else nrLokalu exactly as read.
std::string CompanyAddressText(std::string_view ulica, std::string_view nrDomu,
                               std::string_view nrLokalu);

}  // namespace spisotek::search
