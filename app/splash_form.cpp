#include "app/splash_form.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "app/main_form.h"

namespace spisotek {

TSplashForm* SplashForm = nullptr;

namespace app {

QImage SplashPicture() {
    QImage image(1736, 1340, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, image.height());
    sky.setColorAt(0.0, QColor(0x1d, 0x4e, 0x89));
    sky.setColorAt(0.55, QColor(0x6f, 0xa8, 0xdc));
    sky.setColorAt(1.0, QColor(0xf2, 0xf5, 0xfa));
    painter.fillRect(image.rect(), sky);

    // A stylised receiver and a row of dish signals.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 60));
    for (int i = 0; i < 5; ++i) {
        painter.drawEllipse(QPointF(1380, 330), 120.0 + i * 90, 120.0 + i * 90);
    }
    painter.setBrush(QColor(0xd7, 0x66, 0x13));
    painter.drawEllipse(QPointF(1380, 330), 70, 70);

    QFont title(QStringLiteral("Verdana"));
    title.setPixelSize(120);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRect(110, 500, 1560, 160), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Książka telefoniczna"));
    QFont subtitle(QStringLiteral("Verdana"));
    subtitle.setPixelSize(80);
    painter.setFont(subtitle);
    painter.setPen(QColor(0x0d, 0x2b, 0x4f));
    painter.drawText(QRect(110, 680, 1560, 120), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Telewizja Kablowa Zorvan"));
    painter.end();
    return image;
}

}  // namespace app

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("SplashForm"));
    setFont(app::FormFont(11, false));
    setFixedSize(kClientWidth, kClientHeight);
    setCursor(Qt::WaitCursor);

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setGeometry(0, 0, kClientWidth, kClientHeight);

    Image1 = new app::PictureBox(Panel1);
    Image1->SetStretch(true);
    Image1->setGeometry(1, 1, 419, 329);
    Image1->setPixmap(QPixmap::fromImage(app::SplashPicture()));

    Label1 = new QLabel(QStringLiteral("Uruchamiam aplikację. Czekaj..."), Panel1);
    Label1->setGeometry(5, 310, 151, 13);

    Image1->installEventFilter(this);
    Label1->installEventFilter(this);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->geometry();
        move(area.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
}

void TSplashForm::ShowAndPaint() {
    show();
    // Nothing processes events until the main window exists, so the window
    // system is given a short moment to map the window; then it is painted
    // directly.
    QDeadlineTimer deadline(500);
    while (windowHandle() != nullptr && !windowHandle()->isExposed() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    }
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool TSplashForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        if (watched == Image1) {
            ++picturePaints_;
        } else if (watched == Label1) {
            ++labelPaints_;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace spisotek
