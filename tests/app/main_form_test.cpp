#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QTabBar>
#include <QTest>
#include <QTime>

#include "app_test_support.h"

namespace spisotek::app::testing {
namespace {

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        items.append(box->itemText(i));
    }
    return items;
}

const QStringList kDesignLocalities{"Wrzosogród", "Modrzyń", "Jarzębin Dolny", "Kłosowiec"};

class MainFormTest : public ::testing::Test {
  protected:
    ProgramFolder folder;
};

TEST_F(MainFormTest, WindowHasItsCaptionFixedFrameSizeAndPosition) {
    FormFixture f(folder);
    TMainForm& form = *f.form;
    EXPECT_EQ(form.windowTitle(), QString("Książka telefoniczna TVK Zorvan"));
    EXPECT_EQ(form.size(), QSize(831, 559));
    EXPECT_EQ(form.minimumSize(), QSize(831, 559));
    EXPECT_EQ(form.maximumSize(), QSize(831, 559));
    EXPECT_EQ(form.pos(), QPoint(154, 74));
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(form.font().family(), QString("MS Sans Serif"));
    EXPECT_EQ(form.font().pixelSize(), 11);
}

TEST_F(MainFormTest, PagesInOrderWithTheDirectoryPageHiddenAndSubscribersShown) {
    FormFixture f(folder);
    TMainForm& form = *f.form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    PageControl* pages = form.cxPageControl1;
    ASSERT_EQ(pages->count(), 4);
    const struct {
        QWidget* page;
        const char* caption;
        bool visible;
    } cases[] = {
        {form.cxTabSheet1, "   Aktualizacja danych   ", true},
        {form.cxTabSheet2, "   Numery kierunkowe   ", false},
        {form.cxTabSheet3, "   Klienci indywidualni   ", true},
        {form.cxTabSheet4, "   Firmy i instytucje   ", true},
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(cases[i].caption);
        EXPECT_EQ(pages->widget(i), cases[i].page);
        EXPECT_EQ(pages->tabText(i), QString::fromUtf8(cases[i].caption));
        EXPECT_EQ(pages->isTabVisible(i), cases[i].visible);
    }
    EXPECT_TRUE(form.cxTabSheet2->findChildren<QWidget*>().isEmpty());
    EXPECT_EQ(pages->currentWidget(), form.cxTabSheet3);
    EXPECT_EQ(pages->geometry(), QRect(0, 97, 831, 462));
    EXPECT_EQ(pages->tabBar()->height(), 24);
    EXPECT_EQ(form.cxTabSheet3->size(), QSize(831, 438));
    EXPECT_FALSE(form.RzLabel2->isVisibleTo(&form));
    EXPECT_TRUE(form.HTMLViewer1->isHidden());
    EXPECT_TRUE(form.HTMLViewer2->isHidden());
    EXPECT_FALSE(form.Tables().tBaza.Active());
    EXPECT_FALSE(form.Tables().tBaza_firm.Active());
    EXPECT_FALSE(form.Tables().tFirmy.Active());
    form.close();
}

struct ControlCase {
    const char* name;
    QWidget* control;
    QWidget* parent;
    QRect geometry;  // width 0: the label sizes itself, only the position counts
    const char* text;
    int fontPixels;
    bool bold;
};

QString ControlText(QWidget* control) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        return button->text();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        return edit->text();
    }
    if (auto* box = qobject_cast<QComboBox*>(control)) {
        return box->currentText();
    }
    return {};
}

TEST_F(MainFormTest, ControlsHaveTheirGeometryTextsAndFonts) {
    FormFixture f(folder);
    TMainForm& form = *f.form;
    const ControlCase cases[] = {
        {"RzPanel1", form.RzPanel1, &form, {0, 0, 831, 97}, "", 11, false},
        {"ImageBanner", form.ImageBanner, form.RzPanel1, {2, 2, 827, 93}, "", 11, false},
        {"RzLabel2",
         form.RzLabel2,
         form.RzPanel1,
         {10, 6, 536, 24},
         "Książka telefoniczna abonentów Telewizji Kablowej Zorvan",
         21,
         true},
        {"RzClockStatus1",
         form.RzClockStatus1,
         form.RzPanel1,
         {2, 78, 121, 16},
         nullptr,
         13,
         false},
        {"Image3", form.Image3, form.cxTabSheet1, {0, 0, 831, 438}, "", 11, false},
        {"RzLabel9",
         form.RzLabel9,
         form.cxTabSheet1,
         {13, 10, 0, 0},
         "Aktualizacja książki telefonicznej",
         16,
         true},
        {"RzButton1",
         form.RzButton1,
         form.cxTabSheet1,
         {648, 317, 164, 36},
         "Pobierz aktualizację książki telefonicznej",
         11,
         false},
        {"RzButton2",
         form.RzButton2,
         form.cxTabSheet1,
         {648, 368, 164, 36},
         "Pobierz aktualizację całej aplikacji",
         11,
         false},
        {"Image1", form.Image1, form.cxTabSheet3, {0, 0, 831, 438}, "", 11, false},
        {"RzLabel1",
         form.RzLabel1,
         form.cxTabSheet3,
         {13, 10, 0, 0},
         "Spis klientów indywidualnych",
         16,
         true},
        {"RzLabel4", form.RzLabel4, form.cxTabSheet3, {653, 240, 0, 0}, "Nazwisko:", 11, true},
        {"RzLabel5", form.RzLabel5, form.cxTabSheet3, {652, 285, 0, 0}, "Miejscowość:", 11, true},
        {"RzLabel6", form.RzLabel6, form.cxTabSheet3, {653, 333, 0, 0}, "Ulica:", 11, false},
        {"EditNazwisko", form.EditNazwisko, form.cxTabSheet3, {650, 255, 165, 21}, "", 11, false},
        {"EditMiasto",
         form.EditMiasto,
         form.cxTabSheet3,
         {650, 303, 165, 21},
         "Wrzosogród",
         11,
         false},
        {"EditUlica", form.EditUlica, form.cxTabSheet3, {650, 348, 165, 21}, "", 11, false},
        {"SzkuajIndywButton",
         form.SzkuajIndywButton,
         form.cxTabSheet3,
         {650, 385, 75, 23},
         "Szukaj",
         11,
         false},
        {"WyczyscIndywButton",
         form.WyczyscIndywButton,
         form.cxTabSheet3,
         {740, 385, 75, 23},
         "Wyczyść",
         11,
         false},
        {"HTMLViewer1", form.HTMLViewer1, form.cxTabSheet3, {9, 35, 622, 392}, "", 11, false},
        {"Image2", form.Image2, form.cxTabSheet4, {0, 0, 831, 438}, "", 11, false},
        {"RzLabel3",
         form.RzLabel3,
         form.cxTabSheet4,
         {13, 10, 0, 0},
         "Spis klientów instytucjonalnych",
         16,
         true},
        {"RzLabel7", form.RzLabel7, form.cxTabSheet4, {644, 240, 0, 0}, "Nazwa firmy:", 11, true},
        {"RzLabel8", form.RzLabel8, form.cxTabSheet4, {645, 285, 0, 0}, "Miejscowość:", 11, false},
        {"EditMiasto2", form.EditMiasto2, form.cxTabSheet4, {642, 303, 175, 21}, "", 11, false},
        {"SzukajFirmyButton",
         form.SzukajFirmyButton,
         form.cxTabSheet4,
         {644, 345, 84, 23},
         "Szukaj",
         11,
         false},
        {"WyczyscFirmyButton",
         form.WyczyscFirmyButton,
         form.cxTabSheet4,
         {733, 345, 84, 23},
         "Wyczyść",
         11,
         false},
        {"HTMLViewer2", form.HTMLViewer2, form.cxTabSheet4, {9, 35, 622, 395}, "", 11, false},
        {"EditFirma", form.EditFirma, form.cxTabSheet4, {642, 256, 175, 21}, "", 11, false},
    };
    for (const ControlCase& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget* control = c.control;
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->parentWidget(), c.parent);
        if (c.geometry.width() == 0) {
            EXPECT_EQ(control->pos(), c.geometry.topLeft());
            EXPECT_GT(control->width(), 0);
        } else {
            EXPECT_EQ(control->geometry(), c.geometry);
        }
        if (c.text != nullptr) {
            EXPECT_EQ(ControlText(control), QString::fromUtf8(c.text));
        }
        EXPECT_EQ(control->font().pixelSize(), c.fontPixels);
        EXPECT_EQ(control->font().bold(), c.bold);
    }
}

TEST_F(MainFormTest, ComboBoxesStartWithTheirDesignItemsAndTexts) {
    FormFixture f(folder);
    TMainForm& form = *f.form;
    EXPECT_EQ(Items(form.EditMiasto), kDesignLocalities);
    EXPECT_EQ(form.EditMiasto->currentIndex(), 0);
    EXPECT_EQ(form.EditMiasto->currentText(), QString("Wrzosogród"));
    EXPECT_EQ(Items(form.EditMiasto2), kDesignLocalities);
    EXPECT_EQ(form.EditMiasto2->currentIndex(), -1);
    EXPECT_EQ(form.EditMiasto2->currentText(), QString());
    EXPECT_EQ(form.EditFirma->count(), 0);
    EXPECT_EQ(form.EditFirma->currentText(), QString());
    for (QComboBox* box : {form.EditMiasto, form.EditMiasto2, form.EditFirma}) {
        EXPECT_TRUE(box->isEditable());
    }
}

// The order in which the named controls of a page receive focus with Tab.
QList<QWidget*> FocusOrder(QWidget* first, const QList<QWidget*>& controls) {
    QList<QWidget*> order;
    QWidget* w = first;
    for (int steps = 0; steps < 200 && order.size() < controls.size(); ++steps) {
        for (QWidget* control : controls) {
            if ((w == control || w->focusProxy() == control || control->focusProxy() == w ||
                 w->parentWidget() == control) &&
                !order.contains(control)) {
                order.append(control);
            }
        }
        w = w->nextInFocusChain();
    }
    return order;
}

TEST_F(MainFormTest, TabOrderOfEachPage) {
    FormFixture f(folder);
    TMainForm& form = *f.form;
    const QList<QList<QWidget*>> pages = {
        {form.RzButton1, form.RzButton2},
        {form.EditNazwisko, form.EditMiasto, form.EditUlica, form.SzkuajIndywButton,
         form.WyczyscIndywButton, form.HTMLViewer1},
        {form.EditMiasto2, form.SzukajFirmyButton, form.WyczyscFirmyButton, form.HTMLViewer2,
         form.EditFirma},
    };
    for (const QList<QWidget*>& expected : pages) {
        EXPECT_EQ(FocusOrder(expected.first(), expected), expected);
        for (QWidget* control : expected) {
            EXPECT_TRUE(control->focusPolicy() & Qt::TabFocus);
        }
    }
}

TEST_F(MainFormTest, EditsTurnTypedAndPastedLettersToUpperCase) {
    FormFixture f(folder);
    TMainForm& form = *f.form;
    const struct {
        const char* typed;
        const char* shown;
    } cases[] = {
        {"kowalski", "KOWALSKI"},
        {"żółć źdźbło ąę", "ŻÓŁĆ ŹDŹBŁO ĄĘ"},
        {"ul. 3 maja 12/4", "UL. 3 MAJA 12/4"},
        {"ß", "ß"},  // no upper-case form in Windows-1250
    };
    for (QLineEdit* edit : {form.EditNazwisko, form.EditUlica}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.typed);
            edit->clear();
            TypeText(edit, QString::fromUtf8(c.typed));
            EXPECT_EQ(edit->text(), QString::fromUtf8(c.shown));
            edit->clear();
            edit->insert(QString::fromUtf8(c.typed));
            EXPECT_EQ(edit->text(), QString::fromUtf8(c.shown));
        }
    }
    QTest::keyClicks(form.EditMiasto->lineEdit(), "x");
    EXPECT_TRUE(form.EditMiasto->currentText().endsWith('x'));  // the locality keeps its case
}

// --- Start-up loading -------------------------------------------------------

struct ListCase {
    const char* name;
    const char* localities;  // nullptr: no file; "<dir>": a folder of that name
    const char* companies;
    QStringList expectedLocalities;
    QStringList expectedCompanies;
};

void Place(const ProgramFolder& folder, const char* file, const char* content) {
    if (content == nullptr) {
        return;
    }
    if (std::string(content) == "<dir>") {
        folder.MakeDirectory(file);
    } else {
        folder.Write(file, Cp(content));
    }
}

TEST_F(MainFormTest, ListFilesReplaceTheItemsOrAreSkippedWithTheRestOfTheirBlock) {
    const ListCase cases[] = {
        {"no list files", nullptr, nullptr, kDesignLocalities, {}},
        {"localities missing skips companies", nullptr, "ACME\r\nBETA\r\n", kDesignLocalities, {}},
        {"localities unreadable skips companies", "<dir>", "ACME\r\n", kDesignLocalities, {}},
        {"companies missing", "Kraków\r\nŁódź\r\n", nullptr, {"Kraków", "Łódź"}, {}},
        {"both",
         "Kraków\nŁódź",
         "ACME\rBETA S.A.\r\n\r\n",
         {"Kraków", "Łódź"},
         {"ACME", "BETA S.A.", ""}},
        {"empty localities", "", "ACME", {}, {"ACME"}},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder local;
        Place(local, "miejscowosci.dat", c.localities);
        Place(local, "firmy.dat", c.companies);
        FormFixture f(local);
        EXPECT_EQ(Items(f.form->EditMiasto), c.expectedLocalities);
        EXPECT_EQ(Items(f.form->EditFirma), c.expectedCompanies);
        // The shown locality survives the replacement even when not listed.
        EXPECT_EQ(f.form->EditMiasto->currentText(), QString("Wrzosogród"));
        EXPECT_TRUE(f.dialogs.messages.isEmpty());
        EXPECT_TRUE(f.dialogs.errors.isEmpty());
    }
}

TEST_F(MainFormTest, ListFilesOfAnyBytesLoadWithoutHarm) {
    folder.Write("miejscowosci.dat", std::string("\x01\xff\xfe\r\n\xc3\x28\n\n", 9));
    folder.Write("firmy.dat", std::string("ok\r\n\0ignored\r\n", 15));
    FormFixture f(folder);
    EXPECT_EQ(Items(f.form->EditMiasto), (QStringList{QString::fromUtf16(u"\x01\u02d9\u0163"),
                                                      QString::fromUtf16(u"\u0102("), ""}));
    EXPECT_EQ(Items(f.form->EditFirma), QStringList{"ok"});
}

TEST_F(MainFormTest, PicturesLoadInOrderUntilOneFails) {
    const struct {
        const char* name;
        std::vector<std::pair<const char*, const char*>> files;  // name, "jpeg" or raw bytes
        bool tlo, tlo2, tlo3, banner;
    } cases[] = {
        {"all present",
         {{"tlo.jpg", "jpeg"}, {"tlo2.jpg", "jpeg"}, {"tlo3.jpg", "jpeg"}, {"banner.jpg", "jpeg"}},
         true,
         true,
         true,
         true},
        {"none", {}, false, false, false, false},
        {"first missing",
         {{"tlo2.jpg", "jpeg"}, {"tlo3.jpg", "jpeg"}, {"banner.jpg", "jpeg"}},
         false,
         false,
         false,
         false},
        {"banner missing",
         {{"tlo.jpg", "jpeg"}, {"tlo2.jpg", "jpeg"}, {"tlo3.jpg", "jpeg"}},
         true,
         true,
         true,
         false},
        {"second is garbage",
         {{"tlo.jpg", "jpeg"},
          {"tlo2.jpg", "not a picture"},
          {"tlo3.jpg", "jpeg"},
          {"banner.jpg", "jpeg"}},
         true,
         false,
         false,
         false},
        {"third is empty",
         {{"tlo.jpg", "jpeg"}, {"tlo2.jpg", "jpeg"}, {"tlo3.jpg", ""}, {"banner.jpg", "jpeg"}},
         true,
         true,
         false,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder local;
        for (const auto& [name, content] : c.files) {
            if (std::string(content) == "jpeg") {
                local.WriteJpeg(name);
            } else {
                local.Write(name, content);
            }
        }
        FormFixture f(local);
        EXPECT_EQ(f.form->Image1->HasPicture(), c.tlo);
        EXPECT_EQ(f.form->Image2->HasPicture(), c.tlo2);
        EXPECT_EQ(f.form->Image3->HasPicture(), c.tlo3);
        EXPECT_EQ(f.form->ImageBanner->HasPicture(), c.banner);
        EXPECT_TRUE(f.dialogs.errors.isEmpty());
    }
}

TEST_F(MainFormTest, ReloadingHidesTheViewersAndPicksUpNewLists) {
    FormFixture f(folder);
    TMainForm& form = *f.form;
    form.HTMLViewer1->setVisible(true);
    form.HTMLViewer2->setVisible(true);
    folder.Write("miejscowosci.dat", Cp("Zielonka\r\n"));
    form.LoadListsAndPictures();
    EXPECT_TRUE(form.HTMLViewer1->isHidden());
    EXPECT_TRUE(form.HTMLViewer2->isHidden());
    EXPECT_EQ(Items(form.EditMiasto), QStringList{"Zielonka"});
}

// --- Commands ---------------------------------------------------------------

TEST_F(MainFormTest, ClearingTheSubscriberPageEmptiesItsInputsAndHidesTheViewer) {
    FormFixture f(folder);
    TMainForm& form = *f.form;
    form.EditNazwisko->setText("NOWAK");
    form.EditUlica->setText("DŁUGA");
    form.EditMiasto->setCurrentIndex(2);
    form.HTMLViewer1->setVisible(true);
    form.WyczyscIndywButton->click();
    EXPECT_TRUE(form.HTMLViewer1->isHidden());
    EXPECT_EQ(form.EditNazwisko->text(), QString());
    EXPECT_EQ(form.EditUlica->text(), QString());
    EXPECT_EQ(form.EditMiasto->currentText(), QString());  // not back to "Wrzosogród"
    EXPECT_EQ(Items(form.EditMiasto), kDesignLocalities);
    EXPECT_FALSE(form.Tables().tBaza.Active());
}

TEST_F(MainFormTest, ClearingTheCompanyPageEmptiesItsInputsAndHidesTheViewer) {
    folder.Write("miejscowosci.dat", "Modrzyn\r\n");
    folder.Write("firmy.dat", "ACME\r\n");
    FormFixture f(folder);
    TMainForm& form = *f.form;
    form.EditFirma->setEditText("ACME");
    form.EditMiasto2->setCurrentIndex(1);
    form.HTMLViewer2->setVisible(true);
    form.HTMLViewer1->setVisible(true);
    form.WyczyscFirmyButton->click();
    EXPECT_TRUE(form.HTMLViewer2->isHidden());
    EXPECT_FALSE(form.HTMLViewer1->isHidden());  // the other page is left alone
    EXPECT_EQ(form.EditFirma->currentText(), QString());
    EXPECT_EQ(form.EditMiasto2->currentText(), QString());
    EXPECT_EQ(Items(form.EditFirma), QStringList{"ACME"});
    EXPECT_EQ(Items(form.EditMiasto2), kDesignLocalities);
}

TEST_F(MainFormTest, DoubleClickOnTheBannerShowsTheCredits) {
    FormFixture f(folder);
    QTest::mouseDClick(f.form->ImageBanner, Qt::LeftButton, {}, QPoint(400, 30));
    ASSERT_EQ(f.dialogs.messages.size(), 1);
    EXPECT_EQ(f.dialogs.messages.first(), CreditsText());
    EXPECT_TRUE(f.dialogs.messages.first().contains("Telewizji Kablowej Zorvan"));
}

TEST_F(MainFormTest, WholeApplicationUpdateAsksThenStartsTheUpdaterAndCloses) {
    const struct {
        const char* name;
        bool answer;
        int startResult;
        bool started;
        bool closed;
        QStringList messages;
    } cases[] = {
        {"cancelled", false, ProcessStarter::kStarted, false, false, {}},
        {"started", true, ProcessStarter::kStarted, true, true, {}},
        {"result 32 is a failure",
         true,
         32,
         true,
         false,
         {"Nie można uruchomić aplikacji aktualizującej."}},
        {"not found",
         true,
         ProcessStarter::kFileNotFound,
         true,
         false,
         {"Nie można uruchomić aplikacji aktualizującej."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FormFixture f(folder);
        f.dialogs.answer = c.answer;
        f.starter.result = c.startResult;
        f.form->show();
        f.form->RzButton2->click();
        ASSERT_EQ(f.dialogs.questions.size(), 1);
        EXPECT_EQ(f.dialogs.questions.first(),
                  QString("Uwaga|Uwaga. Aplikacja będzie zamknięta przed pobraniem aktualizacji. "
                          "Po pobraniu aktualizacji musisz uruchomić ją ponownie. Czy "
                          "kontunuować ?"));
        EXPECT_EQ(f.starter.started.size(), c.started ? 1u : 0u);
        if (c.started) {
            EXPECT_EQ(f.starter.started.front(), "Aktualizacja.exe");
        }
        EXPECT_EQ(f.form->isVisible(), !c.closed);
        EXPECT_EQ(f.dialogs.messages, c.messages);
    }
}

TEST_F(MainFormTest, DataUpdateButtonIsPresentAndStartsNothingYet) {
    FormFixture f(folder);
    EXPECT_TRUE(f.form->RzButton1->isVisibleTo(f.form->cxTabSheet1));
    f.form->RzButton1->click();
    EXPECT_TRUE(f.dialogs.questions.isEmpty());
    EXPECT_TRUE(f.dialogs.messages.isEmpty());
    EXPECT_TRUE(f.starter.started.empty());
}

TEST_F(MainFormTest, ClockShowsTheCurrentTime) {
    FormFixture f(folder);
    const QTime shown = QTime::fromString(f.form->RzClockStatus1->text(), "hh:mm:ss");
    ASSERT_TRUE(shown.isValid()) << f.form->RzClockStatus1->text().toStdString();
    const int drift = std::abs(shown.secsTo(QTime::currentTime()));
    EXPECT_TRUE(drift <= 5 || drift >= 86395) << drift;  // around midnight
    const QString before = f.form->RzClockStatus1->text();
    QTest::qWait(1300);
    EXPECT_NE(f.form->RzClockStatus1->text(), before);  // the clock runs
}

TEST_F(MainFormTest, AnErrorLeavingAHandlerIsReportedWithItsText) {
    FormFixture f(folder);
    f.form->RunHandler([] { throw std::runtime_error("Cannot open file \"x.dat\"."); });
    EXPECT_EQ(f.dialogs.errors, QStringList{"Cannot open file \"x.dat\"."});
}

}  // namespace
}  // namespace spisotek::app::testing
