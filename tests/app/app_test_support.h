// Shared pieces of the window tests: a QApplication for the whole run, fake
// dialogs and process starter, and a temporary program folder.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/main_form.h"
#include "app/process_starter.h"

namespace spisotek::app::testing {

class FakeDialogs : public Dialogs {
  public:
    void Message(const QString& text) override { messages.append(text); }
    void Error(const QString& text) override { errors.append(text); }
    bool Question(const QString& caption, const QString& text) override {
        questions.append(caption + "|" + text);
        return answer;
    }

    bool answer = false;
    QStringList messages;
    QStringList errors;
    QStringList questions;
};

class FakeStarter : public ProcessStarter {
  public:
    int ShellOpen(const std::string& program) override {
        started.push_back(program);
        return result;
    }

    int result = kFileNotFound;
    std::vector<std::string> started;
};

// A temporary program folder; files are written as raw bytes.
class ProgramFolder {
  public:
    ProgramFolder();
    // Path with a trailing '/'.
    std::string Path() const;
    void Write(const std::string& name, const std::string& bytes) const;
    void WriteJpeg(const std::string& name) const;
    void MakeDirectory(const std::string& name) const;

  private:
    QTemporaryDir dir_;
};

// A main window over a program folder with fake dialogs and starter.
struct FormFixture {
    explicit FormFixture(const ProgramFolder& folder);
    FakeDialogs dialogs;
    FakeStarter starter;
    std::unique_ptr<TMainForm> form;
};

// Types the text into the widget key by key, any character included.
void TypeText(QWidget* widget, const QString& text);

// Converts UTF-8 source text to Windows-1250 bytes for fixture files.
std::string Cp(const char* utf8);

}  // namespace spisotek::app::testing
