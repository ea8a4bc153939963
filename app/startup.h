// The program's start-up: splash window, main window, message loop.
#pragma once

#include <QApplication>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/dialogs.h"

namespace spisotek::app {

// Shows the splash and paints it, runs `initialise`, creates the main window
// with `createMainForm` while the splash is on screen, destroys the splash,
// shows the main window and runs the message loop until it closes. When
// initialising or creating the main window fails, the splash is destroyed
// all the same, the error is reported through `dialogs` and the result is 1
// (no message loop runs without a main window).
int RunProgram(QApplication& application, const std::function<void()>& initialise,
               const std::function<std::unique_ptr<QWidget>()>& createMainForm, Dialogs& dialogs);

// Polish texts for Qt's own buttons and the application's names.
void InitialiseApplication(QApplication& application);

// The program folder: the executable's folder with a trailing '/'.
std::string ProgramFolder();

// The whole program, as main() runs it.
int Main(int argc, char** argv);

}  // namespace spisotek::app
