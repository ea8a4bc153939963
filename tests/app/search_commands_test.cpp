#include <gtest/gtest.h>

#include <QTest>

#include "app_test_support.h"

namespace spisotek::app::testing {
namespace {

std::string Lines(std::initializer_list<const char*> lines) {
    std::string bytes;
    for (const char* line : lines) {
        bytes += Cp(line);
        bytes += "\r\n";
    }
    return bytes;
}

class SearchCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder.Write("baza.dat", Lines({
                                     "clientid\timie\tnazwisko\tmiasto\tulica\tnumer_tel",
                                     "1\tJAN\tNOWAK\tModrzyń\tLIPOWA 1\t111-11-11",
                                     "2\tANNA\tKOWALSKA\tWrzosogród\tDŁUGA 5/3\t222-22-22",
                                     "3\tPIOTR\tKOWALCZYK\tWrzosogród\tKRÓTKA 7\t333-33-33",
                                     "4\tEWA\tKOWAL\tModrzyń\tDŁUGA 9\t444-44-44",
                                 }));
        folder.Write("baza_firm.dat",
                     Lines({
                         "clientid\timie\tnazwisko\tmiasto\tulica\tnumer_tel\tnr_domu\tnr_lokalu",
                         "K1\tSp. z o.o.\tACME\tWrzosogród\tPolna\t555-55-55\t4\t2",
                         "K2\tS.A.\tBETA\tModrzyń\tLeśna\t666-66-66\t8\t",
                     }));
        folder.Write("firmy_2.dat", Lines({"firma\tnazwa", "Acme Polska\tK1", "Beta Handel\tK2"}));
    }

    ProgramFolder folder;
};

TEST_F(SearchCommandsTest, SubscriberSearchShowsTheMatchingEntriesInTheViewer) {
    FormFixture f(folder);
    TMainForm& form = *f.form;
    QTest::keyClicks(form.EditNazwisko, "kow");
    form.SzkuajIndywButton->click();
    EXPECT_TRUE(f.dialogs.messages.isEmpty());
    EXPECT_TRUE(f.dialogs.errors.isEmpty());
    ASSERT_FALSE(form.HTMLViewer1->isHidden());
    const QString shown = form.HTMLViewer1->toPlainText();
    EXPECT_TRUE(shown.contains(QString("KOWALSKA ANNA"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QString("KOWALCZYK PIOTR")));
    EXPECT_TRUE(shown.contains(QString("DŁUGA 5/3")));
    EXPECT_TRUE(shown.contains(QString("222-22-22")));
    EXPECT_FALSE(shown.contains(QString("KOWAL EWA")));  // another locality
    const std::string& source = form.HTMLViewer1->Source();
    EXPECT_NE(source.find(Cp("KOWALSKA&nbsp;ANNA</strong></td>\r\n")), std::string::npos);
    EXPECT_TRUE(source.ends_with("</html>\r\n"));
    EXPECT_FALSE(form.Tables().tBaza.Active());
}

TEST_F(SearchCommandsTest, StreetSearchUsesTheTypedStreet) {
    FormFixture f(folder);
    TMainForm& form = *f.form;
    QTest::keyClicks(form.EditNazwisko, "kowal");
    form.EditMiasto->setEditText("Modrzyń");
    TypeText(form.EditUlica, "długa");
    form.SzkuajIndywButton->click();
    ASSERT_FALSE(form.HTMLViewer1->isHidden());
    const QString shown = form.HTMLViewer1->toPlainText();
    EXPECT_TRUE(shown.contains(QString("KOWAL EWA"))) << shown.toStdString();
    EXPECT_NE(form.HTMLViewer1->Source().find("news_tresc"), std::string::npos);
}

TEST_F(SearchCommandsTest, NoMatchHidesTheViewerWithTheMessage) {
    FormFixture f(folder);
    TMainForm& form = *f.form;
    TypeText(form.EditNazwisko, "ZIELIŃSKI");
    form.SzkuajIndywButton->click();
    EXPECT_TRUE(form.HTMLViewer1->isHidden());
    EXPECT_EQ(f.dialogs.messages,
              QStringList{"Nie znaleziono pozycji spełniających wprowadzone kryteria."});
}

TEST_F(SearchCommandsTest, MissingSurnameAsksForTheRequiredFields) {
    FormFixture f(folder);
    TMainForm& form = *f.form;
    form.SzkuajIndywButton->click();
    EXPECT_EQ(f.dialogs.messages, QStringList{"Nazwisko i miejscowość są polami wymaganymi."});
    EXPECT_TRUE(form.HTMLViewer1->isHidden());
}

TEST_F(SearchCommandsTest, AMissingDataFileIsReportedWithTheErrorText) {
    ProgramFolder empty;
    FormFixture f(empty);
    TMainForm& form = *f.form;
    QTest::keyClicks(form.EditNazwisko, "NOWAK");
    form.SzkuajIndywButton->click();
    ASSERT_EQ(f.dialogs.errors.size(), 1);
    EXPECT_TRUE(f.dialogs.errors.first().contains("baza.dat"))
        << f.dialogs.errors.first().toStdString();
    EXPECT_FALSE(form.HTMLViewer1->isHidden());  // the wait page stays
    EXPECT_TRUE(form.HTMLViewer1->toPlainText().contains("Czekaj. Szukam..."));

    // The window keeps working: the next search with the file in place succeeds.
    empty.Write("baza.dat", Lines({"clientid\tnazwisko\tmiasto", "1\tNOWAK\tWrzosogród"}));
    form.SzkuajIndywButton->click();
    EXPECT_EQ(f.dialogs.errors.size(), 1);
    EXPECT_TRUE(form.HTMLViewer1->toPlainText().contains("NOWAK"));
}

TEST_F(SearchCommandsTest, CompanySearchByPickedNameAndLocality) {
    FormFixture f(folder);
    TMainForm& form = *f.form;
    form.EditFirma->setEditText("Acme");
    form.SzukajFirmyButton->click();
    ASSERT_FALSE(form.HTMLViewer2->isHidden());
    QString shown = form.HTMLViewer2->toPlainText();
    EXPECT_TRUE(shown.contains(QString("ACME Sp. z o.o."))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QString("Polna 4/2")));
    EXPECT_FALSE(shown.contains(QString("BETA")));

    form.WyczyscFirmyButton->click();
    form.EditMiasto2->setCurrentIndex(1);  // Modrzyń
    form.SzukajFirmyButton->click();
    shown = form.HTMLViewer2->toPlainText();
    EXPECT_TRUE(shown.contains(QString("BETA S.A."))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QString("Leśna 8")));
    EXPECT_TRUE(f.dialogs.messages.isEmpty());
    EXPECT_FALSE(form.Tables().tBaza_firm.Active());
    EXPECT_FALSE(form.Tables().tFirmy.Active());
}

TEST_F(SearchCommandsTest, CompanySearchWithoutMatchShowsTheMessage) {
    FormFixture f(folder);
    TMainForm& form = *f.form;
    form.EditFirma->setEditText("Gamma");
    form.SzukajFirmyButton->click();
    EXPECT_TRUE(form.HTMLViewer2->isHidden());
    EXPECT_EQ(f.dialogs.messages,
              QStringList{"Nie znaleziono pozycji spełniających wprowadzone kryteria."});
}

}  // namespace
}  // namespace spisotek::app::testing
