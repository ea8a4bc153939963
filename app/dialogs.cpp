#include "app/dialogs.h"

#include <QMessageBox>

namespace spisotek::app {

QString ApplicationTitle() {
    return QStringLiteral("Książka telefoniczna TVK Zorvan");
}

void MessageBoxDialogs::Message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok, owner_);
    box.exec();
}

void MessageBoxDialogs::Error(const QString& text) {
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, owner_);
    box.exec();
}

bool MessageBoxDialogs::Question(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                    owner_);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

}  // namespace spisotek::app
