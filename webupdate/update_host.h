// What the update engine shows or asks goes through this interface: message
// and question boxes, the login dialog and letting pending window events run
// during a transfer. The Qt implementation comes with the window that owns the
// engine; until a host is set the engine uses NullUpdateHost, which shows
// nothing and answers every question with no.
//
// Texts are Windows-1250 bytes; the host converts them at the window boundary.
#pragma once

#include <string>

namespace spisotek::webupdate {

class UpdateHost {
  public:
    virtual ~UpdateHost() = default;

    // Information box with an OK button.
    virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
    // Question with Yes and No; true for Yes.
    virtual bool QuestionBox(const std::string& text, const std::string& caption) = 0;
    // Login dialog with empty user name and password fields. True when closed
    // with OK; then both arguments hold the entered texts.
    virtual bool LoginDialog(const std::string& caption, std::string& userName,
                             std::string& password) = 0;
    // Lets the application handle its pending window events (a Cancel button).
    virtual void ProcessPendingEvents() = 0;
};

class NullUpdateHost final : public UpdateHost {
  public:
    void MessageBox(const std::string&, const std::string&) override {}
    bool QuestionBox(const std::string&, const std::string&) override { return false; }
    bool LoginDialog(const std::string&, std::string&, std::string&) override { return false; }
    void ProcessPendingEvents() override {}
};

}  // namespace spisotek::webupdate
