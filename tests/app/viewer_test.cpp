#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <QTextDocument>
#include <QUrl>

#include "app/html_viewer.h"
#include "app_test_support.h"

namespace spisotek::app::testing {
namespace {

TEST(HtmlViewerTest, ShowsAWindows1250PageAndKeepsItsSource) {
    HtmlViewer viewer;
    const std::string page =
        Cp("<HTML>\r\n<body>\r\n<p>Łódź, ulica Źródlana</p>\r\n</body>\r\n</html>\r\n");
    viewer.LoadDocument(page);
    EXPECT_EQ(viewer.Source(), page);
    EXPECT_EQ(viewer.toPlainText().trimmed(), QString("Łódź, ulica Źródlana"));
    viewer.LoadDocument(Cp("<p>Druga</p>\r\n"));
    EXPECT_EQ(viewer.toPlainText().trimmed(), QString("Druga"));
    EXPECT_TRUE(viewer.isReadOnly());
    EXPECT_FALSE(viewer.openLinks());
    EXPECT_FALSE(viewer.openExternalLinks());
}

TEST(HtmlViewerTest, LoadsNoResourceAPageNames) {
    ProgramFolder folder;
    folder.WriteJpeg("picture.jpg");
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(folder.Path() + "picture.jpg"));
    HtmlViewer viewer;
    viewer.resize(300, 200);
    viewer.LoadDocument("<p><img src=\"" + url.toString().toStdString() + "\"></p>\r\n");
    viewer.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(viewer.loadResource(QTextDocument::ImageResource, url).isNull());
    EXPECT_TRUE(viewer.document()->resource(QTextDocument::ImageResource, url).isNull());
}

TEST(HtmlViewerTest, ClickingALinkGoesNowhere) {
    HtmlViewer viewer;
    viewer.resize(300, 200);
    viewer.LoadDocument("<p><a href=\"http://127.0.0.1:9/x\">LINK LINK LINK</a></p>\r\n");
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    QTest::mouseClick(viewer.viewport(), Qt::LeftButton, {}, QPoint(20, 12));
    EXPECT_TRUE(viewer.source().isEmpty());
    EXPECT_EQ(viewer.toPlainText().trimmed(), QString("LINK LINK LINK"));
}

}  // namespace
}  // namespace spisotek::app::testing
