// The result viewer of a search page.
//
// A page arrives as Windows-1250 text (lines ended by CR LF); the viewer
// decodes it and shows the document. It is read-only, follows no link and
// loads nothing: images, style sheets and any other resource a page names
// are refused, so a page built from data files cannot reach the disk or the
// network.
#pragma once

#include <QTextBrowser>
#include <string>
#include <string_view>

namespace spisotek::app {

class HtmlViewer : public QTextBrowser {
  public:
    explicit HtmlViewer(QWidget* parent = nullptr);

    // Replaces the document with this one (Windows-1250 bytes).
    void LoadDocument(std::string_view cp1250Text);

    // The document as last loaded, before any rendering (Windows-1250).
    const std::string& Source() const { return source_; }

    QVariant loadResource(int type, const QUrl& name) override;

  private:
    std::string source_;
};

}  // namespace spisotek::app
