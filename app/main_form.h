// TMainForm: the program's one window.
//
// A banner with a picture and a clock over a page control with the update
// page, a hidden page, the subscriber search page and the company search
// page. The window owns the three directory tables and runs every command of
// the program as a handler on the GUI thread. Its components are public
// under their design names so the entry point and the tests can reach them;
// Qt owns them as the window's children.
//
// Message and question boxes go through Dialogs and the whole-application
// updater is started through ProcessStarter; both must outlive the window.
// Optional files (lists and pictures) that fail to load are skipped without
// a message; any other error a handler does not catch is reported with its
// text, as the application's default error report.
#pragma once

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/controls.h"
#include "app/dialogs.h"
#include "app/html_viewer.h"
#include "app/process_starter.h"
#include "search/directory_tables.h"

namespace spisotek {

class TMainForm : public QWidget {
  public:
    static constexpr int kClientWidth = 831;
    static constexpr int kClientHeight = 559;

    // programFolder: where data, list and picture files live, ending with '/'
    // (the folder of the running executable for the real program).
    TMainForm(app::Dialogs& dialogs, app::ProcessStarter& starter, std::string programFolder,
              QWidget* parent = nullptr);
    ~TMainForm() override;

    const std::string& ProgramFolder() const { return programFolder_; }
    search::DirectoryTables& Tables() { return tables_; }

    // Handlers; sender is the control that triggered them (may be null).
    void FormCreate(QObject* sender);
    void SzkuajIndywButtonClick(QObject* sender);
    void WyczyscIndywButtonClick(QObject* sender);
    void SzukajFirmyButtonClick(QObject* sender);
    void WyczyscFirmyButtonClick(QObject* sender);
    void RzURLLabel1Click(QObject* sender);
    void ImageBannerDblClick(QObject* sender);

    void LoadListsAndPictures();

    // Runs a handler as the message loop would: an error it lets out is shown
    // in a message box with the error's text instead of ending the program.
    void RunHandler(const std::function<void()>& handler);

    // Banner.
    QFrame* RzPanel1;
    app::PictureBox* ImageBanner;
    QLabel* RzLabel2;
    QLabel* RzClockStatus1;

    app::PageControl* cxPageControl1;
    QWidget* cxTabSheet1;
    QWidget* cxTabSheet2;
    QWidget* cxTabSheet3;
    QWidget* cxTabSheet4;

    // Data update page.
    app::PictureBox* Image3;
    QLabel* RzLabel9;
    app::CaptionButton* RzButton1;
    app::CaptionButton* RzButton2;

    // Subscriber page.
    app::PictureBox* Image1;
    QLabel* RzLabel1;
    QLabel* RzLabel4;
    QLabel* RzLabel5;
    QLabel* RzLabel6;
    QLineEdit* EditNazwisko;
    QComboBox* EditMiasto;
    QLineEdit* EditUlica;
    QPushButton* SzkuajIndywButton;
    QPushButton* WyczyscIndywButton;
    app::HtmlViewer* HTMLViewer1;

    // Company page.
    app::PictureBox* Image2;
    QLabel* RzLabel3;
    QLabel* RzLabel7;
    QLabel* RzLabel8;
    QComboBox* EditMiasto2;
    QPushButton* SzukajFirmyButton;
    QPushButton* WyczyscFirmyButton;
    app::HtmlViewer* HTMLViewer2;
    QComboBox* EditFirma;

  private:
    class ViewerPage;

    void CreateBanner();
    void CreateUpdatePage();
    void CreateSubscriberPage();
    void CreateCompanyPage();
    void ConnectHandlers();
    void UpdateClock();

    app::Dialogs& dialogs_;
    app::ProcessStarter& starter_;
    std::string programFolder_;
    search::DirectoryTables tables_;
    std::unique_ptr<ViewerPage> subscriberView_;
    std::unique_ptr<ViewerPage> companyView_;
    QTimer clockTimer_;
};

namespace app {

// The texts the window shows.
QString CreditsText();
QString UpdateQuestionCaption();
QString UpdateQuestionText();
QString UpdaterNotStartedText();
inline constexpr char kUpdaterProgram[] = "Aktualizacja.exe";

// A font of "MS Sans Serif" family with the given pixel height.
QFont FormFont(int pixelHeight, bool bold);

// The text of an edit or combo box as Windows-1250 bytes.
std::string Cp1250Text(const QString& text);

}  // namespace app

}  // namespace spisotek
