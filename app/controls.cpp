#include "app/controls.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "platform/cp1250.h"

namespace spisotek::app {

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

bool PictureBox::LoadJpeg(const QString& fileName) {
    // The file's extension names its format, so the content is read as JPEG
    // whatever it holds; anything else fails instead of being guessed at.
    QImageReader reader(fileName, "jpeg");
    reader.setDecideFormatFromContent(false);
    QImage image = reader.read();
    if (image.isNull()) {
        return false;
    }
    setPixmap(QPixmap::fromImage(image));
    return true;
}

bool PictureBox::HasPicture() const {
    return !pixmap().isNull();
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (onDoubleClick && event->button() == Qt::LeftButton) {
        onDoubleClick();
        return;
    }
    QLabel::mouseDoubleClickEvent(event);
}

QString ToUpperCp1250(const QString& text) {
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i) {
        QChar ch = result.at(i);
        if (ch.isSurrogate()) {
            continue;
        }
        unsigned char byte = 0;
        if (platform::UnicodeToCp1250(ch.unicode(), byte)) {
            result[i] = QChar(platform::Cp1250ToUnicode(platform::ToUpperCp1250(byte)));
        }
    }
    return result;
}

QValidator::State UpperCaseValidator::validate(QString& input, int& /*pos*/) const {
    input = ToUpperCp1250(input);
    return Acceptable;
}

void UpperCaseValidator::fixup(QString& input) const {
    input = ToUpperCp1250(input);
}

CaptionButton::CaptionButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void CaptionButton::paintEvent(QPaintEvent* /*event*/) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, text());
}

FixedHeightTabBar::FixedHeightTabBar(int height, QWidget* parent)
    : QTabBar(parent), height_(height) {}

QSize FixedHeightTabBar::tabSizeHint(int index) const {
    QSize size = QTabBar::tabSizeHint(index);
    size.setHeight(height_);
    return size;
}

PageControl::PageControl(int tabHeight, QWidget* parent) : QTabWidget(parent) {
    setTabBar(new FixedHeightTabBar(tabHeight, this));
    setDocumentMode(true);
}

}  // namespace spisotek::app
