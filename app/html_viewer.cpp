#include "app/html_viewer.h"

#include <QPalette>
#include <QTextDocument>

#include "platform/cp1250.h"

namespace spisotek::app {

HtmlViewer::HtmlViewer(QWidget* parent) : QTextBrowser(parent) {
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
