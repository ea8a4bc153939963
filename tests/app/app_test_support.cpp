#include "app_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>

#include "platform/cp1250.h"

namespace spisotek::app::testing {

namespace {

// One QApplication for the whole test program, as the real program has.
class QtApplicationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        application_ = std::make_unique<QApplication>(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void TearDown() override { application_.reset(); }

  private:
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace

ProgramFolder::ProgramFolder() {
    EXPECT_TRUE(dir_.isValid());
}

std::string ProgramFolder::Path() const {
    return QFile::encodeName(dir_.path()).toStdString() + "/";
}

void ProgramFolder::Write(const std::string& name, const std::string& bytes) const {
    QFile file(QString::fromStdString(Path() + name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << name;
    ASSERT_EQ(file.write(bytes.data(), static_cast<qint64>(bytes.size())),
              static_cast<qint64>(bytes.size()));
}

void ProgramFolder::WriteJpeg(const std::string& name) const {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(10, 120, 200));
    ASSERT_TRUE(image.save(QString::fromStdString(Path() + name), "JPEG")) << name;
}

void ProgramFolder::MakeDirectory(const std::string& name) const {
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Path() + name))) << name;
}

FormFixture::FormFixture(const ProgramFolder& folder)
    : form(std::make_unique<TMainForm>(dialogs, starter, folder.Path())) {}

void TypeText(QWidget* widget, const QString& text) {
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}

std::string Cp(const char* utf8) {
    return platform::Utf8ToCp1250(utf8);
}

}  // namespace spisotek::app::testing
