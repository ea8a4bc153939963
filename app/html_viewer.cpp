#include "app/html_viewer.h"

#include <QPalette>
#include <QTextDocument>

#include "platform/cp1250.h"

namespace spisotek::app {

namespace {

// The document itself would read local files a page names when the viewer
// declines them, so it declines too.
class ClosedDocument : public QTextDocument {
  public:
    explicit ClosedDocument(QObject* parent) : QTextDocument(parent) {}

  protected:
    QVariant loadResource(int /*type*/, const QUrl& /*name*/) override { return {}; }
};

}  // namespace

HtmlViewer::HtmlViewer(QWidget* parent) : QTextBrowser(parent) {
    setDocument(new ClosedDocument(this));
    setReadOnly(true);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    setPalette(pal);

    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(12);
    document()->setDefaultFont(font);
    document()->setDefaultStyleSheet(
        QStringLiteral("pre, code, tt { font-family: \"Courier New\"; }"));
}

void HtmlViewer::LoadDocument(std::string_view cp1250Text) {
    source_.assign(cp1250Text);
    clear();
    setHtml(QString::fromStdU16String(platform::Cp1250ToUtf16(source_)));
}

QVariant HtmlViewer::loadResource(int /*type*/, const QUrl& /*name*/) {
    return {};
}

}  // namespace spisotek::app
