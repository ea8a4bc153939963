// Message and question boxes of the main window.
//
// Handlers talk to this interface instead of to QMessageBox so tests can
// answer questions and read the messages. Texts are Unicode: the caller
// decodes Windows-1250 text at the window boundary.
#pragma once

#include <QString>

class QWidget;

namespace spisotek::app {

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // An information box with an OK button and no icon.
    virtual void Message(const QString& text) = 0;
    // The application's report of an error no handler caught.
    virtual void Error(const QString& text) = 0;
    // A modal box with OK and Cancel and no icon; true when the answer is OK.
    virtual bool Question(const QString& caption, const QString& text) = 0;
};

// The boxes users see: QMessageBox, modal over `owner` (may be null), with
// the application's title as caption where none is given. Qt's own button
// texts come from the Polish translation the entry point installs.
class MessageBoxDialogs : public Dialogs {
  public:
    explicit MessageBoxDialogs(QWidget* owner = nullptr) : owner_(owner) {}

    void SetOwner(QWidget* owner) { owner_ = owner; }

    void Message(const QString& text) override;
    void Error(const QString& text) override;
    bool Question(const QString& caption, const QString& text) override;

  private:
    QWidget* owner_;
};

// The caption of the program's own message boxes.
QString ApplicationTitle();

}  // namespace spisotek::app
