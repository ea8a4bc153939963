#include "app/main_form.h"

#include <QDateTime>
#include <QFile>
#include <QFont>
#include <exception>

#include "app/list_file.h"
#include "platform/cp1250.h"
#include "search/directory_search.h"
#include "search/search_view.h"

namespace spisotek {

namespace app {

QString CreditsText() {
    return QStringLiteral(
        "Książka telefoniczna abonentów Telewizji Kablowej Zorvan\n\n"
        "Program wykonała pracownia programistyczna Spisotek\n"
        "dla Telewizji Kablowej Zorvan.");
}

QString UpdateQuestionCaption() {
    return QStringLiteral("Uwaga");
}

QString UpdateQuestionText() {
    return QStringLiteral(
        "Uwaga. Aplikacja będzie zamknięta przed pobraniem aktualizacji. Po pobraniu "
        "aktualizacji musisz uruchomić ją ponownie. Czy kontunuować ?");
}

QString UpdaterNotStartedText() {
    return QStringLiteral("Nie można uruchomić aplikacji aktualizującej.");
}

QFont FormFont(int pixelHeight, bool bold) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

std::string Cp1250Text(const QString& text) {
    return platform::Utf16ToCp1250(text.toStdU16String());
}

namespace {

QString FromCp1250(std::string_view text) {
    return QString::fromStdU16String(platform::Cp1250ToUtf16(text));
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int left, int top, int pixelHeight,
                  bool bold) {
    auto* label = new QLabel(text, parent);
    label->setFont(FormFont(pixelHeight, bold));
    label->move(left, top);
    label->adjustSize();
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(geometry);
    return button;
}

QComboBox* MakeComboBox(QWidget* parent, const QRect& geometry, const QStringList& items) {
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    // Typing picks or filters; it never adds to the items.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setFrame(true);
    box->setGeometry(geometry);
    box->addItems(items);
    return box;
}

QLineEdit* MakeUpperCaseEdit(QWidget* parent, const QRect& geometry) {
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(geometry);
    edit->setValidator(new UpperCaseValidator(edit));
    return edit;
}

PictureBox* MakePageBackground(QWidget* page) {
    auto* image = new PictureBox(page);
    image->SetStretch(false);
    image->setGeometry(0, 0, TMainForm::kClientWidth, 438);
    return image;
}

// Keeps the text the box shows, as the list controls do when their items are
// replaced wholesale.
void ReplaceItems(QComboBox* box, const std::vector<std::string>& lines) {
    QStringList items;
    items.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines) {
        items.append(FromCp1250(line));
    }
    const QString text = box->currentText();
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(-1);
    box->setEditText(text);
}

QStringList DesignLocalities() {
    return {QStringLiteral("Wrzosogród"), QStringLiteral("Modrzyń"),
            QStringLiteral("Jarzębin Dolny"), QStringLiteral("Kłosowiec")};
}

}  // namespace

}  // namespace app

// One search page as the searches see it: its viewer and the message box.
class TMainForm::ViewerPage : public search::SearchView {
  public:
    ViewerPage(app::HtmlViewer* viewer, app::Dialogs& dialogs)
        : viewer_(viewer), dialogs_(dialogs) {}

    void LoadPage(const search::HtmlPage& page) override { viewer_->LoadDocument(page.Text()); }
    void SetViewerVisible(bool visible) override { viewer_->setVisible(visible); }
    void ShowMessage(const std::string& cp1250Text) override {
        dialogs_.Message(app::FromCp1250(cp1250Text));
    }

  private:
    app::HtmlViewer* viewer_;
    app::Dialogs& dialogs_;
};

TMainForm::TMainForm(app::Dialogs& dialogs, app::ProcessStarter& starter, std::string programFolder,
                     QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      dialogs_(dialogs),
      starter_(starter),
      programFolder_(std::move(programFolder)) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Książka telefoniczna TVK Zorvan"));
    setFont(app::FormFont(11, false));
    setFixedSize(kClientWidth, kClientHeight);
    move(154, 74);

    CreateBanner();
    cxPageControl1 = new app::PageControl(24, this);
    cxPageControl1->setGeometry(0, 97, kClientWidth, 462);
    CreateUpdatePage();
    cxTabSheet2 = new QWidget;
    cxPageControl1->addTab(cxTabSheet2, QStringLiteral("   Numery kierunkowe   "));
    CreateSubscriberPage();
    CreateCompanyPage();
    cxPageControl1->setTabVisible(cxPageControl1->indexOf(cxTabSheet2), false);
    cxPageControl1->setCurrentWidget(cxTabSheet3);

    subscriberView_ = std::make_unique<ViewerPage>(HTMLViewer1, dialogs_);
    companyView_ = std::make_unique<ViewerPage>(HTMLViewer2, dialogs_);
    ConnectHandlers();

    UpdateClock();
    // Several ticks a second so the shown seconds never lag or skip.
    clockTimer_.setInterval(250);
    QObject::connect(&clockTimer_, &QTimer::timeout, this, [this] { UpdateClock(); });
    clockTimer_.start();

    FormCreate(this);
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateBanner() {
    RzPanel1 = new QFrame(this);
    RzPanel1->setFrameShape(QFrame::StyledPanel);
    RzPanel1->setGeometry(0, 0, kClientWidth, 97);

    ImageBanner = new app::PictureBox(RzPanel1);
    ImageBanner->SetStretch(true);
    ImageBanner->setGeometry(2, 2, 827, 93);

    RzLabel2 = new QLabel(
        QStringLiteral("Książka telefoniczna abonentów Telewizji Kablowej Zorvan"), RzPanel1);
    RzLabel2->setFont(app::FormFont(21, true));
    RzLabel2->setGeometry(10, 6, 536, 24);
    RzLabel2->setVisible(false);

    RzClockStatus1 = new QLabel(RzPanel1);
    RzClockStatus1->setFont(app::FormFont(13, false));
    RzClockStatus1->setGeometry(2, 78, 121, 16);
    RzClockStatus1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void TMainForm::CreateUpdatePage() {
    cxTabSheet1 = new QWidget;
    Image3 = app::MakePageBackground(cxTabSheet1);
    RzLabel9 = app::MakeLabel(cxTabSheet1, QStringLiteral("Aktualizacja książki telefonicznej"), 13,
                              10, 16, true);
    RzButton1 = new app::CaptionButton(QStringLiteral("Pobierz aktualizację książki telefonicznej"),
                                       cxTabSheet1);
    RzButton1->setGeometry(648, 317, 164, 36);
    RzButton2 =
        new app::CaptionButton(QStringLiteral("Pobierz aktualizację całej aplikacji"), cxTabSheet1);
    RzButton2->setGeometry(648, 368, 164, 36);
    QWidget::setTabOrder(RzButton1, RzButton2);
    cxPageControl1->addTab(cxTabSheet1, QStringLiteral("   Aktualizacja danych   "));
}

void TMainForm::CreateSubscriberPage() {
    cxTabSheet3 = new QWidget;
    Image1 = app::MakePageBackground(cxTabSheet3);
    RzLabel1 = app::MakeLabel(cxTabSheet3, QStringLiteral("Spis klientów indywidualnych"), 13, 10,
                              16, true);
    RzLabel4 = app::MakeLabel(cxTabSheet3, QStringLiteral("Nazwisko:"), 653, 240, 11, true);
    RzLabel5 = app::MakeLabel(cxTabSheet3, QStringLiteral("Miejscowość:"), 652, 285, 11, true);
    RzLabel6 = app::MakeLabel(cxTabSheet3, QStringLiteral("Ulica:"), 653, 333, 11, false);

    EditNazwisko = app::MakeUpperCaseEdit(cxTabSheet3, QRect(650, 255, 165, 21));
    EditMiasto = app::MakeComboBox(cxTabSheet3, QRect(650, 303, 165, 21), app::DesignLocalities());
    EditMiasto->setCurrentIndex(0);
    EditUlica = app::MakeUpperCaseEdit(cxTabSheet3, QRect(650, 348, 165, 21));
    SzkuajIndywButton =
        app::MakeButton(cxTabSheet3, QStringLiteral("Szukaj"), QRect(650, 385, 75, 23));
    WyczyscIndywButton =
        app::MakeButton(cxTabSheet3, QStringLiteral("Wyczyść"), QRect(740, 385, 75, 23));
    HTMLViewer1 = new app::HtmlViewer(cxTabSheet3);
    HTMLViewer1->setGeometry(9, 35, 622, 392);
    HTMLViewer1->setVisible(false);

    QWidget::setTabOrder(EditNazwisko, EditMiasto);
    QWidget::setTabOrder(EditMiasto, EditUlica);
    QWidget::setTabOrder(EditUlica, SzkuajIndywButton);
    QWidget::setTabOrder(SzkuajIndywButton, WyczyscIndywButton);
    QWidget::setTabOrder(WyczyscIndywButton, HTMLViewer1);
    cxPageControl1->addTab(cxTabSheet3, QStringLiteral("   Klienci indywidualni   "));
}

void TMainForm::CreateCompanyPage() {
    cxTabSheet4 = new QWidget;
    Image2 = app::MakePageBackground(cxTabSheet4);
    RzLabel3 = app::MakeLabel(cxTabSheet4, QStringLiteral("Spis klientów instytucjonalnych"), 13,
                              10, 16, true);
    RzLabel7 = app::MakeLabel(cxTabSheet4, QStringLiteral("Nazwa firmy:"), 644, 240, 11, true);
    RzLabel8 = app::MakeLabel(cxTabSheet4, QStringLiteral("Miejscowość:"), 645, 285, 11, false);

    EditMiasto2 = app::MakeComboBox(cxTabSheet4, QRect(642, 303, 175, 21), app::DesignLocalities());
    EditMiasto2->setCurrentIndex(-1);
    EditMiasto2->clearEditText();
    SzukajFirmyButton =
        app::MakeButton(cxTabSheet4, QStringLiteral("Szukaj"), QRect(644, 345, 84, 23));
    WyczyscFirmyButton =
        app::MakeButton(cxTabSheet4, QStringLiteral("Wyczyść"), QRect(733, 345, 84, 23));
    HTMLViewer2 = new app::HtmlViewer(cxTabSheet4);
    HTMLViewer2->setGeometry(9, 35, 622, 395);
    HTMLViewer2->setVisible(false);
    EditFirma = app::MakeComboBox(cxTabSheet4, QRect(642, 256, 175, 21), {});
    EditFirma->setCurrentIndex(-1);
    EditFirma->clearEditText();

    // The company name comes last in the tab order, after the viewer.
    QWidget::setTabOrder(EditMiasto2, SzukajFirmyButton);
    QWidget::setTabOrder(SzukajFirmyButton, WyczyscFirmyButton);
    QWidget::setTabOrder(WyczyscFirmyButton, HTMLViewer2);
    QWidget::setTabOrder(HTMLViewer2, EditFirma);
    cxPageControl1->addTab(cxTabSheet4, QStringLiteral("   Firmy i instytucje   "));
}

void TMainForm::ConnectHandlers() {
    // RzButton1 starts the data-update wizard; the wizard is not part of this
    // program yet, so the button has no command behind it until it is.
    QObject::connect(RzButton2, &QPushButton::clicked, this,
                     [this] { RunHandler([this] { RzURLLabel1Click(RzButton2); }); });
    QObject::connect(SzkuajIndywButton, &QPushButton::clicked, this,
                     [this] { RunHandler([this] { SzkuajIndywButtonClick(SzkuajIndywButton); }); });
    QObject::connect(WyczyscIndywButton, &QPushButton::clicked, this, [this] {
        RunHandler([this] { WyczyscIndywButtonClick(WyczyscIndywButton); });
    });
    QObject::connect(SzukajFirmyButton, &QPushButton::clicked, this,
                     [this] { RunHandler([this] { SzukajFirmyButtonClick(SzukajFirmyButton); }); });
    QObject::connect(WyczyscFirmyButton, &QPushButton::clicked, this, [this] {
        RunHandler([this] { WyczyscFirmyButtonClick(WyczyscFirmyButton); });
    });
    ImageBanner->onDoubleClick = [this] {
        RunHandler([this] { ImageBannerDblClick(ImageBanner); });
    };
}

void TMainForm::UpdateClock() {
    RzClockStatus1->setText(QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss")));
}

void TMainForm::RunHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        dialogs_.Error(QString::fromStdString(search::ErrorTextToUtf8(error.what())));
    } catch (...) {
        dialogs_.Error(QStringLiteral("Nieznany błąd."));
    }
}

void TMainForm::FormCreate(QObject* /*sender*/) {
    LoadListsAndPictures();
}

void TMainForm::LoadListsAndPictures() {
    HTMLViewer1->setVisible(false);
    HTMLViewer2->setVisible(false);

    // Lists and pictures are optional: a failure ends its block silently and
    // leaves the rest of that block's controls as they were.
    try {
        app::ReplaceItems(EditMiasto,
                          app::LoadListFile(programFolder_ + search::kLocalityListFile));
        app::ReplaceItems(EditFirma, app::LoadListFile(programFolder_ + search::kCompanyListFile));
    } catch (...) {
    }

    try {
        const std::pair<app::PictureBox*, const char*> pictures[] = {{Image1, "tlo.jpg"},
                                                                     {Image2, "tlo2.jpg"},
                                                                     {Image3, "tlo3.jpg"},
                                                                     {ImageBanner, "banner.jpg"}};
        for (const auto& [box, name] : pictures) {
            const QString fileName =
                QFile::decodeName(QByteArray::fromStdString(programFolder_ + name));
            if (!box->LoadJpeg(fileName)) {
                break;
            }
        }
    } catch (...) {
    }
}

void TMainForm::WyczyscIndywButtonClick(QObject* /*sender*/) {
    tables_.tBaza.SetActive(false);
    HTMLViewer1->setVisible(false);
    EditNazwisko->clear();
    EditMiasto->setCurrentIndex(-1);
    EditMiasto->clearEditText();
    EditUlica->clear();
}

void TMainForm::WyczyscFirmyButtonClick(QObject* /*sender*/) {
    // A company search stopped by a bad data file may leave a table open;
    // closing both here keeps the page's clear command a clean start.
    tables_.tBaza_firm.SetActive(false);
    tables_.tFirmy.SetActive(false);
    HTMLViewer2->setVisible(false);
    EditFirma->setCurrentIndex(-1);
    EditFirma->clearEditText();
    EditMiasto2->setCurrentIndex(-1);
    EditMiasto2->clearEditText();
}

void TMainForm::SzkuajIndywButtonClick(QObject* /*sender*/) {
    search::SubscriberInput input;
    input.surname = app::Cp1250Text(EditNazwisko->text());
    input.locality = app::Cp1250Text(EditMiasto->currentText());
    input.street = app::Cp1250Text(EditUlica->text());
    search::RunSubscriberSearch(tables_, programFolder_, input, *subscriberView_);
}

void TMainForm::SzukajFirmyButtonClick(QObject* /*sender*/) {
    search::CompanyInput input;
    input.company = app::Cp1250Text(EditFirma->currentText());
    input.locality = app::Cp1250Text(EditMiasto2->currentText());
    search::RunCompanySearch(tables_, programFolder_, input, *companyView_);
}

void TMainForm::RzURLLabel1Click(QObject* /*sender*/) {
    if (!dialogs_.Question(app::UpdateQuestionCaption(), app::UpdateQuestionText())) {
        return;
    }
    // The bare name: the updater is looked up in the current folder and on
    // PATH, not in the program folder.
    if (starter_.ShellOpen(app::kUpdaterProgram) > 32) {
        close();
    } else {
        dialogs_.Message(app::UpdaterNotStartedText());
    }
}

void TMainForm::ImageBannerDblClick(QObject* /*sender*/) {
    dialogs_.Message(app::CreditsText());
}

}  // namespace spisotek
