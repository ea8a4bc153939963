#include "app/startup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include "app/splash_form.h"
#include "app_test_support.h"

namespace spisotek::app::testing {
namespace {

TEST(SplashFormTest, LayoutOfTheSplash) {
    TSplashForm splash;
    EXPECT_EQ(splash.size(), QSize(421, 331));
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(splash.cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(splash.Panel1->geometry(), QRect(0, 0, 421, 331));
    EXPECT_EQ(splash.Image1->geometry(), QRect(1, 1, 419, 329));
    EXPECT_TRUE(splash.Image1->hasScaledContents());
    EXPECT_EQ(splash.Image1->pixmap().size(), QSize(1736, 1340));
    EXPECT_EQ(splash.Label1->text(), QString("Uruchamiam aplikację. Czekaj..."));
    EXPECT_EQ(splash.Label1->geometry().topLeft(), QPoint(5, 310));
    EXPECT_FALSE(splash.Label1->autoFillBackground());
    // Centred on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_LE(std::abs(splash.geometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(splash.geometry().center().y() - screen.center().y()), 1);
}

TEST(StartupTest, SplashIsPaintedBeforeTheMainWindowAndGoneWhenItShows) {
    ProgramFolder folder;  // no lists, no pictures
    FakeDialogs dialogs;
    FakeStarter starter;
    std::vector<std::string> steps;
    TMainForm* created = nullptr;
    const int status = RunProgram(
        *qApp,
        [&] {
            ASSERT_NE(SplashForm, nullptr);
            EXPECT_TRUE(SplashForm->isVisible());
            EXPECT_GT(SplashForm->PicturePaints(), 0);
            EXPECT_GT(SplashForm->LabelPaints(), 0);
            steps.push_back("initialise");
        },
        [&]() -> std::unique_ptr<QWidget> {
            EXPECT_NE(SplashForm, nullptr);
            EXPECT_TRUE(SplashForm != nullptr && SplashForm->isVisible());
            steps.push_back("create");
            auto form = std::make_unique<TMainForm>(dialogs, starter, folder.Path());
            created = form.get();
            QTimer::singleShot(0, form.get(), [&steps, form = form.get()] {
                EXPECT_EQ(SplashForm, nullptr);
                EXPECT_TRUE(form->isVisible());
                steps.push_back("loop");
                form->close();
                QApplication::quit();
            });
            return form;
        },
        dialogs);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(steps, (std::vector<std::string>{"initialise", "create", "loop"}));
    EXPECT_NE(created, nullptr);
    EXPECT_EQ(SplashForm, nullptr);
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST(StartupTest, AFailingMainWindowStillRemovesTheSplashAndIsReported) {
    FakeDialogs dialogs;
    bool splashSeen = false;
    const int status = RunProgram(
        *qApp, [] {},
        [&]() -> std::unique_ptr<QWidget> {
            splashSeen = SplashForm != nullptr;
            throw std::runtime_error("Out of resources");
        },
        dialogs);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(splashSeen);
    EXPECT_EQ(SplashForm, nullptr);
    EXPECT_EQ(dialogs.errors, QStringList{"Out of resources"});
}

}  // namespace
}  // namespace spisotek::app::testing
