#include "search/html_page.h"

#include <algorithm>

namespace spisotek::search {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
// Pieces are large enough that a results page takes a few allocations.
constexpr std::size_t kPieceSize = 1 << 20;

constexpr std::string_view kDocumentStart[] = {
    "<HTML>",
    "<HEAD>",
    "<TITLE></TITLE>",
    "<meta http-equiv=\"Content-Language\" content=\"pl\">",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1250\">",
    "</HEAD>",
    "<body>",
};

}  // namespace

void HtmlPage::AddLine(std::string_view line) {
    const std::size_t needed = line.size() + kLineEnd.size();
    if (pieces_.empty() || pieces_.back().capacity() - pieces_.back().size() < needed) {
        pieces_.emplace_back().reserve(std::max(kPieceSize, needed));
    }
    pieces_.back().append(line).append(kLineEnd);
    size_ += needed;
    ++lineCount_;
}

std::string HtmlPage::Text() const {
    std::string text;
    text.reserve(size_);
    for (const std::string& piece : pieces_) {
        text += piece;
    }
    return text;
}

std::vector<std::string> HtmlPage::Lines() const {
    const std::string text = Text();
    std::vector<std::string> lines;
    lines.reserve(lineCount_);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(kLineEnd, start);
        lines.emplace_back(text, start, end - start);
        start = end + kLineEnd.size();
    }
    return lines;
}

void HtmlPage::Clear() {
    pieces_.clear();
    size_ = 0;
    lineCount_ = 0;
}

HtmlPage BuildWaitPage() {
    HtmlPage page;
    for (std::string_view line : kDocumentStart) {
        page.AddLine(line);
    }
    page.AddLine("<p><b><font color=\"#D76613\">Czekaj. Szukam...</font></b></p>");
    page.AddLine("</body>");
    page.AddLine("</html>");
    return page;
}

void AppendHead(HtmlPage& page) {
    for (std::string_view line : kDocumentStart) {
        page.AddLine(line);
    }
    page.AddLine("<table border=\"0\" cellspacing=\"2\" width=\"100%\" bgcolor=\"#E8EEF3\">");
}

void AppendFoot(HtmlPage& page) {
    page.AddLine("</table>");
    page.AddLine("</body>");
    page.AddLine("</html>");
}

void AppendEntryBlock(HtmlPage& page, std::string_view h1, std::string_view h2, std::string_view a,
                      std::string_view t, std::string_view m, bool marked) {
    std::string line;
    line.reserve(160 + h1.size() + h2.size() + a.size() + t.size() + m.size());

    page.AddLine("<tr align=\"left\" bgcolor=\"#E8EEF3\">");
    page.AddLine("<td colspan=\"2\"><strong>");
    line.append(h1).append("&nbsp;").append(h2).append("</strong></td>");
    page.AddLine(line);
    page.AddLine("</tr>");
    page.AddLine("<tr bgcolor=\"#F7F8FE\">");
    page.AddLine("<td align=\"left\">");
    line.assign(a).append("</td>");
    page.AddLine(line);
    page.AddLine("<td align=\"left\" bgcolor=\"#F7F8FE\">");
    line.assign("<p align=\"right\"><b><span>")
        .append(t)
        .append("&nbsp;&nbsp;&nbsp;&nbsp;&nbsp; </span></b></td>");
    page.AddLine(line);
    page.AddLine("</tr>");
    page.AddLine("<tr bgcolor=\"#F7F8FE\">");
    if (marked) {
        page.AddLine(
            "<td width=\"62%\" align=\"left\" class=\"news_tresc\" style=\"border-bottom-style: "
            "solid; border-bottom-width: 1px\">");
    } else {
        page.AddLine(
            "<td width=\"62%\" align=\"left\" style=\"border-bottom-style: solid; "
            "border-bottom-width: 1px\">");
    }
    line.assign("<b><font color=\"#D76613\">").append(m).append("</font></b></td>");
    page.AddLine(line);
    if (marked) {
        page.AddLine(
            "<td width=\"38%\" align=\"left\" bgcolor=\"#F7F8FE\" class=\"news_tresc\" "
            "style=\"border-bottom-style: solid; border-bottom-width: 1px\">&nbsp;</td>");
    } else {
        page.AddLine(
            "<td width=\"38%\" align=\"left\" bgcolor=\"#F7F8FE\" style=\"border-bottom-style: "
            "solid; border-bottom-width: 1px\">&nbsp;</td>");
    }
    page.AddLine("</tr>");
}

std::string CompanyAddressText(std::string_view ulica, std::string_view nrDomu,
                               std::string_view nrLokalu) {
    std::string text;
    text.reserve(ulica.size() + nrDomu.size() + nrLokalu.size() + 8);
    text.append(ulica).append("&nbsp;").append(nrDomu);
    bool hasFlat = false;
    for (char c : nrLokalu) {
        if (static_cast<unsigned char>(c) > 32) {
            hasFlat = true;
            break;
        }
    }
    if (hasFlat) {
        text.push_back('/');
    }
    text.append(nrLokalu);
    return text;
}

}  // namespace spisotek::search
