// Draws the demonstration pictures of the program folder: the three page
// backgrounds and the banner, saved as JPEG files.
//
// Usage: make_pictures <folder>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cstdio>

namespace {

const QColor kNavy(0x1d, 0x4e, 0x89);
const QColor kOrange(0xd7, 0x66, 0x13);
const QColor kPale(0xe8, 0xee, 0xf3);

// A light page with a panel on the right where the search fields sit and a
// faint motif behind the result viewer.
QImage PageBackground(const QString& motif, const QColor& accent) {
    QImage image(831, 438, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, 0, image.height());
    ground.setColorAt(0.0, QColor(0xf7, 0xf8, 0xfe));
    ground.setColorAt(1.0, kPale);
    painter.fillRect(image.rect(), ground);

    painter.setPen(Qt::NoPen);
    QRadialGradient glow(QPointF(730, 120), 260);
    glow.setColorAt(0.0, QColor(accent.red(), accent.green(), accent.blue(), 90));
    glow.setColorAt(1.0, QColor(accent.red(), accent.green(), accent.blue(), 0));
    painter.setBrush(glow);
    painter.drawRect(image.rect());

    painter.setBrush(QColor(255, 255, 255, 200));
    painter.setPen(QPen(QColor(0xb8, 0xc7, 0xd9), 1));
    painter.drawRoundedRect(QRectF(636.5, 225.5, 188, 200), 8, 8);

    painter.setPen(QPen(kOrange, 3));
    painter.drawLine(13, 31, 300, 31);

    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(64);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(accent.red(), accent.green(), accent.blue(), 40));
    painter.drawText(QRect(640, 40, 180, 170), Qt::AlignCenter, motif);
    painter.end();
    return image;
}

QImage Banner() {
    QImage image(827, 93, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, image.width(), 0);
    band.setColorAt(0.0, kNavy);
    band.setColorAt(1.0, QColor(0x6f, 0xa8, 0xdc));
    painter.fillRect(image.rect(), band);

    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        painter.setBrush(QColor(255, 255, 255, 40 - i * 8));
        painter.drawEllipse(QPointF(760, 46), 20.0 + i * 22, 20.0 + i * 22);
    }
    painter.setBrush(kOrange);
    painter.drawEllipse(QPointF(760, 46), 14, 14);

    QFont title(QStringLiteral("Verdana"));
    title.setPixelSize(22);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRect(12, 8, 660, 34), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Książka telefoniczna"));
    QFont subtitle(QStringLiteral("Verdana"));
    subtitle.setPixelSize(14);
    painter.setFont(subtitle);
    painter.drawText(QRect(12, 40, 660, 24), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("abonentów Telewizji Kablowej Zorvan"));

    // A pale strip where the clock sits.
    painter.fillRect(QRect(0, 75, 74, 18), QColor(255, 255, 255, 210));
    painter.end();
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pictures <folder>\n");
        return 2;
    }
    QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "make_pictures: cannot create %s\n", argv[1]);
        return 1;
    }
    const struct {
        const char* name;
        QImage image;
    } pictures[] = {
        {"tlo.jpg", PageBackground(QStringLiteral("☎"), kNavy)},
        {"tlo2.jpg", PageBackground(QStringLiteral("✉"), kOrange)},
        {"tlo3.jpg", PageBackground(QStringLiteral("⟳"), QColor(0x3a, 0x8d, 0x3f))},
        {"banner.jpg", Banner()},
    };
    for (const auto& picture : pictures) {
        const QString path = folder.filePath(QString::fromLatin1(picture.name));
        if (!picture.image.save(path, "JPEG", 90)) {
            std::fprintf(stderr, "make_pictures: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
