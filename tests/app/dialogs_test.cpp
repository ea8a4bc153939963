#include "app/dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/startup.h"

namespace spisotek::app::testing {
namespace {

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Answers the next modal message box with `button` once it is open.
void AnswerNextBox(QMessageBox::StandardButton button, SeenBox& seen) {
    QTimer::singleShot(0, [button, &seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* b : box->buttons()) {
            seen.buttons.append(b->text());
        }
        seen.buttons.sort();
        box->button(button)->click();
    });
}

class DialogsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { InitialiseApplication(*qApp); }
};

TEST_F(DialogsTest, QuestionIsAnsweredByOkOrCancelWithPolishButtons) {
    MessageBoxDialogs dialogs;
    for (const auto& [button, expected] :
         {std::pair{QMessageBox::Ok, true}, std::pair{QMessageBox::Cancel, false}}) {
        SeenBox seen;
        AnswerNextBox(button, seen);
        EXPECT_EQ(dialogs.Question("Uwaga", "Czy kontunuować ?"), expected);
        EXPECT_EQ(seen.title, QString("Uwaga"));
        EXPECT_EQ(seen.text, QString("Czy kontunuować ?"));
        EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
        EXPECT_EQ(seen.buttons, (QStringList{"Anuluj", "OK"}));
    }
}

TEST_F(DialogsTest, MessageAndErrorShowTheirText) {
    MessageBoxDialogs dialogs;
    SeenBox message;
    AnswerNextBox(QMessageBox::Ok, message);
    dialogs.Message("Nie można uruchomić aplikacji aktualizującej.");
    EXPECT_EQ(message.text, QString("Nie można uruchomić aplikacji aktualizującej."));
    EXPECT_EQ(message.icon, QMessageBox::NoIcon);
    EXPECT_EQ(message.title, ApplicationTitle());
    EXPECT_EQ(message.buttons, QStringList{"OK"});

    SeenBox error;
    AnswerNextBox(QMessageBox::Ok, error);
    dialogs.Error("Cannot open file \"baza.dat\".");
    EXPECT_EQ(error.text, QString("Cannot open file \"baza.dat\"."));
    EXPECT_EQ(error.icon, QMessageBox::Critical);
}

}  // namespace
}  // namespace spisotek::app::testing
