#include "app/startup.h"

#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>
#include <exception>

#include "app/main_form.h"
#include "app/process_starter.h"
#include "app/splash_form.h"
#include "search/directory_search.h"

namespace spisotek::app {

namespace {

QString FailureText(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        return QString::fromStdString(search::ErrorTextToUtf8(error.what()));
    } catch (...) {
        return QStringLiteral("Nieznany błąd.");
    }
}

}  // namespace

int RunProgram(QApplication& application, const std::function<void()>& initialise,
               const std::function<std::unique_ptr<QWidget>()>& createMainForm, Dialogs& dialogs) {
    std::unique_ptr<QWidget> mainForm;
    std::exception_ptr failure;
    {
        auto splash = std::make_unique<TSplashForm>();
        SplashForm = splash.get();
        try {
            splash->ShowAndPaint();
            initialise();
            mainForm = createMainForm();
        } catch (...) {
            failure = std::current_exception();
        }
        SplashForm = nullptr;
    }
    if (failure || !mainForm) {
        dialogs.Error(failure ? FailureText(failure)
                              : QStringLiteral("Nie można utworzyć okna programu."));
        return 1;
    }
    mainForm->show();
    return application.exec();
}

void InitialiseApplication(QApplication& application) {
    application.setApplicationName(QStringLiteral("spisotek"));
    // The program speaks Polish whatever the user's locale says.
    auto* translator = new QTranslator(&application);
    if (translator->load(QStringLiteral("qtbase_pl"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    }
}

std::string ProgramFolder() {
    return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString() + "/";
}

int Main(int argc, char** argv) {
    QApplication application(argc, argv);
    MessageBoxDialogs dialogs;
    SpawnProcessStarter starter;
    return RunProgram(
        application, [&application] { InitialiseApplication(application); },
        [&dialogs, &starter]() -> std::unique_ptr<QWidget> {
            auto form = std::make_unique<TMainForm>(dialogs, starter, ProgramFolder());
            dialogs.SetOwner(form.get());
            return form;
        },
        dialogs);
}

}  // namespace spisotek::app
