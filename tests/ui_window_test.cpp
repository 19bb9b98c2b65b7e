#include "engine/page/utf_convert.h"
#include "engine/report/run_texts.h"
#include "engine/version.h"
#include "tests/temp_dir.h"
#include "tests/ui_controls.h"
#include "ui/form1.h"
#include "ui/qt_text.h"
#include "ui/report_box.h"
#include "ui/window_texts.h"
#include "ui/wrapping_button.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace pardovane {
namespace {

using test::FindControl;

constexpr QSize kDesignSize(601, 468);

struct Placement {
    const char* name;
    QRect rect;
};

// The design's twips divided by fifteen; the tabs whose first is the report
// stand where the design has the report.
const Placement kDesign[] = {
    {"Command2", QRect(8, 8, 113, 33)}, {"Command1", QRect(128, 8, 465, 33)},
    {"Tabs", QRect(8, 48, 585, 353)},   {"ProgressBar1", QRect(8, 408, 585, 17)},
    {"Label2", QRect(8, 432, 577, 17)}, {"Label1", QRect(8, 448, 577, 17)},
};

class WindowTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path listPath = dir.path() / "HtmlURL.txt";
    Form1 form{listPath};

    QWidget& Control(const char* name) { return FindControl<QWidget>(form, name); }
    QString Text(const char* name) { return FindControl<QLabel>(form, name).text(); }

    // Everything the user can see change in the window.
    QStringList Visible()
    {
        const auto& bar = FindControl<QProgressBar>(form, "ProgressBar1");
        return {form.windowTitle(),
                Text("Label1"),
                Text("Label2"),
                FindControl<QPlainTextEdit>(form, "Text1").toPlainText(),
                QString::number(bar.minimum()),
                QString::number(bar.maximum()),
                QString::number(bar.value())};
    }
};

TEST_F(WindowTest, TitleIsProgramNameAndBuildVersion)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Pardovane " PARDOVANE_VERSION));
}

TEST_F(WindowTest, OpensWithInstructionAndEmptyReport)
{
    EXPECT_EQ(Text("Label1"), ToQString(texts::kInstruction));
    EXPECT_EQ(Text("Label2"), QString());
    EXPECT_EQ(FindControl<QPlainTextEdit>(form, "Text1").toPlainText(), QString());
    EXPECT_EQ(FindControl<QPushButton>(form, "Command1").text(), ToQString(texts::kCheckButton));
    EXPECT_EQ(FindControl<QPushButton>(form, "Command2").text(), ToQString(texts::kEditButton));
    const auto& bar = FindControl<QProgressBar>(form, "ProgressBar1");
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_EQ(bar.maximum(), 100);
    EXPECT_EQ(bar.value(), 0);
    // Screen readers name every control in the window's language.
    for (const Placement& placement : kDesign) {
        const QString name = Control(placement.name).accessibleName();
        EXPECT_TRUE(!name.isEmpty() && name.front().unicode() > 0x3000) << placement.name;
    }
}

TEST_F(WindowTest, EnterAndSpacePressTheFocusedButton)
{
    dir.Write("HtmlURL.txt", "");
    form.SetMessageBoxRunner([](QMessageBox&) {});
    form.show();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        FindControl<QLabel>(form, "Label1").clear();
        Control("Command1").setFocus();
        QTest::keyClick(&Control("Command1"), key);
        EXPECT_EQ(Text("Label1"),
                  ToQString(texts::kSummaryChecked) + u'0' + ToQString(texts::kSummaryErrors) + u'0')
            << "key " << key;
    }
}

TEST_F(WindowTest, CheckButtonHasFocusAndTabVisitsReportThenEditButton)
{
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(QApplication::focusWidget(), &Control("Command1"));
    // The tabs' bar comes last, for the keyboard to reach the other tabs.
    for (const char* next : {"Text1", "Command2", "TabBar", "Command1"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), &Control(next)) << "expected " << next;
    }
}

TEST_F(WindowTest, ControlsStandWhereTheDesignPutsThem)
{
    form.show();
    EXPECT_EQ(form.size(), kDesignSize);
    for (const Placement& placement : kDesign)
        EXPECT_EQ(Control(placement.name).geometry(), placement.rect) << placement.name;
}

TEST_F(WindowTest, ReportGrowsWithWindowAndBottomRowsFollowTheEdge)
{
    form.show();
    form.resize(kDesignSize + QSize(200, 100));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Control("Command2").geometry(), QRect(8, 8, 113, 33));
    EXPECT_EQ(Control("Command1").geometry(), QRect(128, 8, 665, 33));
    EXPECT_EQ(Control("Tabs").geometry(), QRect(8, 48, 785, 453));
    EXPECT_EQ(Control("ProgressBar1").geometry(), QRect(8, 508, 785, 17));
    EXPECT_EQ(Control("Label2").geometry(), QRect(8, 532, 777, 17));
    EXPECT_EQ(Control("Label1").geometry(), QRect(8, 548, 777, 17));
}

// Small screens: the report gives up its lines; every other control stays whole.
TEST_F(WindowTest, ShrinksToAMinimumWhereOnlyTheReportIsSmaller)
{
    form.show();
    form.resize(100, 100);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(form.size(), QSize(360, 179));
    EXPECT_EQ(Control("Command2").geometry(), QRect(8, 8, 113, 33));
    EXPECT_EQ(Control("Command1").geometry(), QRect(128, 8, 224, 33));
    EXPECT_EQ(Control("Tabs").geometry(), QRect(8, 48, 344, 64));
    EXPECT_EQ(Control("ProgressBar1").geometry(), QRect(8, 119, 344, 17));
    EXPECT_EQ(Control("Label2").geometry(), QRect(8, 143, 336, 17));
    EXPECT_EQ(Control("Label1").geometry(), QRect(8, 159, 336, 17));
}

TEST_F(WindowTest, EditCaptionWrapsOntoTwoUnclippedLinesInAJapaneseFont)
{
    form.show();
    const auto& button = FindControl<WrappingButton>(form, "Command2");
    const CaptionLayout caption = button.captionLayout();
    EXPECT_EQ(caption.lines.size(), 2);
    EXPECT_EQ(caption.lines.join(QString()), button.text());
    EXPECT_TRUE(QRectF(button.rect()).contains(caption.ink)) << "caption clipped";
    const QString family = QFontInfo(caption.font).family();
    EXPECT_TRUE(QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese))
        << family.toStdString();
}

TEST_F(WindowTest, IconIsOneSixteenPixelImageOfAtMost256Colours)
{
    ASSERT_EQ(form.windowIcon().availableSizes(), QList<QSize>{QSize(16, 16)});
    const QImage image(QStringLiteral(":/pardovane/pardovane.png"));
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_LE(image.colorCount(), 256);
}

TEST_F(WindowTest, ReportMenuIsJapaneseAndOffersFindAndSave)
{
    const auto menu = FindControl<ReportBox>(form, "Text1").CreateContextMenu();
    QStringList items;
    for (const QAction* action : menu->actions())
        items << action->text();
    EXPECT_TRUE(items.join(u'|').contains(QStringLiteral("すべてを選択"))) << items.join(u'|').toStdString();
    EXPECT_EQ(items.mid(items.size() - 2),
              (QStringList{ToQString(texts::kFind), ToQString(texts::kSaveReport)}));
}

// A crawl's report is laid out in parts; the box holds it whole, line for
// line, wherever a part ends.
TEST_F(WindowTest, LongReportIsShownWhole)
{
    std::u16string report;
    for (int page = 0; report.size() < 600'000; ++page)
        report += u"http://a/" + Utf8ToUtf16(std::to_string(page)) + u"ページ\r\n  <OK>\r\n\r\n";
    form.SetReportText(report);
    const QString shown = ToQString(report).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const auto& box = FindControl<ReportBox>(form, "Text1");
    EXPECT_EQ(box.toPlainText(), shown);
    EXPECT_EQ(box.document()->blockCount(), shown.count(u'\n') + 1);
}

// Ctrl+F selects the next match after the selection, round to the top, and
// says so when there is none.
TEST_F(WindowTest, FindSelectsEachMatchInTurn)
{
    form.SetReportText(
        u"http://a/\r\n  x.html  <Error>\r\n  <Err>\r\n\r\nhttp://b/\r\n  X.HTML  <Error>\r\n");
    auto& report = FindControl<ReportBox>(form, "Text1");
    QString term;
    report.SetDialogRunner([&term](QDialog& dialog) {
        auto& input = dynamic_cast<QInputDialog&>(dialog);
        input.setTextValue(term);
        input.accept();
    });
    QStringList messages;
    form.SetMessageBoxRunner([&messages](QMessageBox& box) { messages << box.text(); });
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    auto findFrom = [&](const char* searched) {
        term = QString::fromUtf8(searched);
        QTest::keyClick(&form, Qt::Key_F, Qt::ControlModifier);
        return std::pair(report.textCursor().blockNumber(), report.textCursor().selectedText());
    };
    EXPECT_EQ(findFrom("x.html"), std::pair(1, QStringLiteral("x.html")));
    EXPECT_EQ(findFrom("x.html"), std::pair(5, QStringLiteral("X.HTML")));
    EXPECT_EQ(findFrom("x.html"), std::pair(1, QStringLiteral("x.html")));
    EXPECT_EQ(findFrom("nowhere"), std::pair(1, QStringLiteral("x.html")));
    EXPECT_EQ(messages,
              QStringList{ToQString(texts::kNotFoundBefore) + "nowhere" + ToQString(texts::kNotFoundAfter)});
}

// The edit button makes sure there is a list to edit, hands it to the
// desktop's opener, and says in a message when either fails, also when the
// opener fails only after it started.
TEST(EditButtonTest, CreatesTheListOpensItAndReportsFailures)
{
    struct Case {
        const char* name;
        const char* listInDir;
        QStringList command;          // the list's path is added; $0 below is where it is recorded
        std::u16string_view message;  // empty: none
        bool opened;
    };
    const QString record = QStringLiteral("printf '%s' \"$1\" > \"$0\"; exit ");
    const Case cases[] = {
        {"opened", "HtmlURL.txt", {"sh", "-c", record + "0"}, {}, true},
        {"created in a new directory", "new/HtmlURL.txt", {"sh", "-c", record + "0"}, {}, true},
        {"nothing registered for text", "HtmlURL.txt", {"sh", "-c", record + "4"}, texts::kNoEditor, true},
        {"no opener installed", "HtmlURL.txt", {"/nonexistent/xdg-open"}, texts::kNoEditor, false},
        {"cannot be created",
         "plain/HtmlURL.txt",
         {"sh", "-c", record + "0"},
         texts::kListCreateFailed,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        dir.Write("plain", "a file, not a directory");
        const std::filesystem::path list = dir.path() / c.listInDir;
        const std::filesystem::path recorded = dir.path() / "opened";
        Form1 form{list};
        QStringList command = c.command;
        if (command.size() > 1)
            command << QString::fromStdString(recorded.string());
        form.SetEditCommand(command);
        QStringList messages;
        form.SetMessageBoxRunner([&messages](QMessageBox& box) { messages.push_back(box.text()); });
        form.show();

        QTest::mouseClick(&FindControl<QWidget>(form, "Command2"), Qt::LeftButton);
        // The opener runs beside the window; wait until it is done.
        EXPECT_TRUE(QTest::qWaitFor([&] { return form.findChildren<QProcess*>().isEmpty(); }, 10000));

        const QString path = QString::fromStdString(list.string());
        const QStringList expected
            = c.message.empty() ? QStringList{} : QStringList{ToQString(c.message) + u'\n' + path};
        EXPECT_EQ(messages, expected);
        EXPECT_EQ(std::filesystem::exists(list), c.message != texts::kListCreateFailed);
        std::ifstream opened(recorded);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(opened), {}), c.opened ? list.string() : "");
    }
}

}  // namespace
}  // namespace pardovane
