// The HTML documents the searches show: the wait page and the results page
// with its entry blocks.
//
// A page is a list of Windows-1250 lines. It is kept as the document the
// viewer receives, every line followed by CR LF, so handing it over needs no
// joining and a results page of many entries grows by amortised appends
// only. Field values go into the lines unchanged (no escaping, no trimming).
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
    const std::string& Text() const { return text_; }
    std::size_t LineCount() const { return lineCount_; }
    // The lines without their CR LF (for callers that want a list).
    std::vector<std::string> Lines() const;
    void Clear();

  private:
    std::string text_;
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
