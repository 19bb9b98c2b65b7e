#include "engine/report/run_texts.h"
#include "tests/local_server.h"
#include "tests/temp_dir.h"
#include "tests/ui_controls.h"
#include "ui/form1.h"
#include "ui/qt_text.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <vector>

namespace pardovane {
namespace {

using test::FindControl;

// Pages without links, so the report stays the same whatever links count.
const char* const kPlainPage = "<html><body><p>Nothing to follow here.</p></body></html>";

// What a message box looked like when the test answered it.
struct SeenMessage {
    QString title;
    QStringList lines;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat format = Qt::AutoText;
    const QWidget* owner = nullptr;
    QString statusWhileShown;
    std::optional<Qt::CursorShape> pointerWhileShown;
    std::optional<Qt::CursorShape> pointerBeneath;
};

std::optional<Qt::CursorShape> OverridePointer()
{
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor ? std::optional(cursor->shape()) : std::nullopt;
}

class CheckRunFromWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.SetMessageBoxRunner([this](QMessageBox& box) { Answer(box); });
        form.show();
    }

    void WriteList(const std::string& text) { dir.Write("HtmlURL.txt", text); }
    void ClickCheck() { QTest::mouseClick(&FindControl<QPushButton>(form, "Command1"), Qt::LeftButton); }
    QString Report() { return FindControl<QPlainTextEdit>(form, "Text1").toPlainText(); }
    QString Label(const char* name) { return FindControl<QLabel>(form, name).text(); }
    QProgressBar& Progress() { return FindControl<QProgressBar>(form, "ProgressBar1"); }

    static QString Summary(int checked, int errors)
    {
        return ToQString(texts::kSummaryChecked) + QString::number(checked) + ToQString(texts::kSummaryErrors)
            + QString::number(errors);
    }

    test::LocalServer server;
    test::TempDir dir;
    Form1 form{dir.path() / "HtmlURL.txt"};
    std::vector<SeenMessage> messages;

private:
    void Answer(QMessageBox& box)
    {
        SeenMessage seen{box.windowTitle(),     box.text().split(u'\n'), box.icon(),
                         box.standardButtons(), box.textFormat(),        box.parentWidget(),
                         Label("Label1"),       OverridePointer(),       std::nullopt};
        // Peek beneath the arrow the box is answered with, then put it back.
        QApplication::restoreOverrideCursor();
        seen.pointerBeneath = OverridePointer();
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        messages.push_back(seen);
        if (QAbstractButton* ok = box.button(QMessageBox::Ok))
            ok->click();
    }
};

TEST_F(CheckRunFromWindowTest, ClickRunsTheWholeCheckAndShowsReportAndSummary)
{
    // A long name makes the list span three 128-byte blocks.
    const std::string longPath = "/" + std::string(200, 'p') + ".html";
    server.Page("/first.html", kPlainPage);
    server.Page(longPath, kPlainPage);
    server.Start();
    const std::string list = server.Url("/first.html") + "\r\n\r\n" + server.Url(longPath) + "\r\n";
    ASSERT_GE(list.size(), 256u);
    WriteList(list);

    ClickCheck();

    const QString first = QString::fromStdString(server.Url("/first.html"));
    const QString second = QString::fromStdString(server.Url(longPath));
    EXPECT_EQ(Report(), first + "\n  <OK>\n\n" + second + "\n  <OK>\n\n");
    EXPECT_EQ(Label("Label1"), Summary(0, 0));
    EXPECT_EQ(Label("Label2"), second + ToQString(texts::kExaminingSuffix));
    EXPECT_EQ(Progress().maximum(), static_cast<int>(list.size() / 128) + 1);
    // The bar ends full, though the last line's end is short of a block.
    EXPECT_EQ(Progress().value(), Progress().maximum());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(OverridePointer(), std::nullopt);
    // One GET is each page's probe and its download.
    EXPECT_EQ(server.Hits("/first.html"), 1);
    EXPECT_EQ(server.Hits(longPath), 1);
}

// A list line naming a Markdown file by absolute path is that file, checked
// as pardovane-check checks it, not a page that cannot be reached.
TEST_F(CheckRunFromWindowTest, AListLineNamingAMarkdownFileChecksIt)
{
    const auto readme = dir.Write("repo/README.md", "[ok](docs/) [gone](gone.md)\n");
    dir.Write("repo/docs/a.md", "a\n");
    const std::string path = std::filesystem::canonical(readme).string();
    WriteList(path + "\n");

    ClickCheck();

    EXPECT_EQ(Report(), QString::fromStdString(path) + "\n  gone.md  <Error>\n  <Err>\n\n");
    EXPECT_EQ(Label("Label1"), Summary(2, 1));
    EXPECT_TRUE(messages.empty());
}

TEST_F(CheckRunFromWindowTest, BadPageGivesExactlyOneTwoLineMessageOwnedByTheWindow)
{
    server.Status("/gone.html", 404);
    server.Page("/here.html", kPlainPage);
    server.Start();
    const QString gone = QString::fromStdString(server.Url("/gone.html"));
    const QString here = QString::fromStdString(server.Url("/here.html"));
    WriteList(gone.toStdString() + "\r\n" + here.toStdString() + "\r\n");

    ClickCheck();

    ASSERT_EQ(messages.size(), 1u);
    const SeenMessage& seen = messages.front();
    const QString refusal = ToQString(texts::kBadPageBefore) + gone + ToQString(texts::kBadPageAfter);
    EXPECT_EQ(seen.lines, (QStringList{refusal, ToQString(texts::kCheckUrlMessage)}));
    EXPECT_EQ(seen.title, QStringLiteral("Pardovane"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(seen.format, Qt::PlainText);
    EXPECT_EQ(seen.owner, &form);
    EXPECT_EQ(seen.statusWhileShown, ToQString(texts::kChecking));
    EXPECT_EQ(seen.pointerWhileShown, Qt::ArrowCursor);
    EXPECT_EQ(seen.pointerBeneath, Qt::WaitCursor);

    EXPECT_EQ(Report(), refusal + "\n" + ToQString(texts::kCheckUrlReport) + "\n" + here + "\n  <OK>\n\n");
    EXPECT_EQ(Label("Label1"), Summary(0, 0));
    EXPECT_EQ(OverridePointer(), std::nullopt);
}

TEST_F(CheckRunFromWindowTest, SecondRunReplacesTheFirstReport)
{
    server.Page("/one.html", kPlainPage);
    server.Page("/two.html", kPlainPage);
    server.Start();
    WriteList(server.Url("/one.html") + "\r\n");
    ClickCheck();
    WriteList(server.Url("/two.html") + "\r\n");

    ClickCheck();

    EXPECT_EQ(Report(), QString::fromStdString(server.Url("/two.html")) + "\n  <OK>\n\n");
}

// A click during a run waits in the queue until the run ends; it must not
// start the next run or open the list then.
TEST_F(CheckRunFromWindowTest, ButtonsAreDisabledDuringARunAndClicksMadeThenAreDropped)
{
    server.Status("/gone.html", 404);
    server.Start();
    WriteList(server.Url("/gone.html") + "\r\n");
    const auto opened = dir.path() / "opened";
    form.SetEditCommand({"sh", "-c", "touch \"$0\"", QString::fromStdString(opened.string())});
    std::vector<bool> enabledDuringRun;
    form.SetMessageBoxRunner([&](QMessageBox&) {
        for (const char* name : {"Command1", "Command2"}) {
            auto& button = FindControl<QPushButton>(form, name);
            enabledDuringRun.push_back(button.isEnabled());
            const QPointF centre = QRectF(button.rect()).center();
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                QCoreApplication::postEvent(&button,
                                            new QMouseEvent(type, centre, button.mapToGlobal(centre),
                                                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        }
    });

    ClickCheck();
    QCoreApplication::processEvents();

    EXPECT_EQ(enabledDuringRun, (std::vector<bool>{false, false}));
    EXPECT_EQ(server.Hits("/gone.html"), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.findChildren<QProcess*>().isEmpty(); }, 1000));
    EXPECT_FALSE(std::filesystem::exists(opened));
    EXPECT_TRUE(FindControl<QPushButton>(form, "Command1").isEnabled());
    EXPECT_TRUE(FindControl<QPushButton>(form, "Command2").isEnabled());
}

// Keys reach a window that stays alive during a run; none may act on it.
TEST_F(CheckRunFromWindowTest, KeysTypedDuringARunAreDropped)
{
    form.SetReportText(u"first line\r\nsecond line\r\n");
    auto& report = FindControl<QPlainTextEdit>(form, "Text1");
    // No list: the run stops at its message, and the report stays.
    form.SetMessageBoxRunner([&report](QMessageBox&) {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
            QCoreApplication::postEvent(&report, new QKeyEvent(type, Qt::Key_End, Qt::ControlModifier));
    });

    ClickCheck();
    QCoreApplication::processEvents();

    EXPECT_EQ(report.textCursor().position(), 0);
}

// A close request while the run waits, on the network or on a message, ends
// it then: the window and the message go, and nothing more is requested.
TEST(CloseDuringRunTest, EndsTheRunAndRequestsNothingMore)
{
    for (const bool messageOpen : {false, true}) {
        SCOPED_TRACE(messageOpen ? "waiting on a message" : "waiting on the network");
        test::LocalServer server;
        // Its link is known only once it arrives, so a request for the link
        // would come after the close.
        server.routes().Get("/slow.html", [&server](const httplib::Request&, httplib::Response& response) {
            server.Wait(std::chrono::seconds(30));
            response.set_content("<a href=\"/after.html\">after</a>", "text/html");
        });
        server.Status("/gone.html", 404);
        server.Start();
        test::TempDir dir;
        const std::string list
            = (messageOpen ? server.Url("/gone.html") + "\r\n" : "") + server.Url("/slow.html");
        Form1 form{dir.Write("HtmlURL.txt", list)};
        form.show();
        // As the window manager's close button does.
        QTimer::singleShot(300, &form,
                           [&form] { QCoreApplication::postEvent(form.windowHandle(), new QCloseEvent); });

        QTest::mouseClick(&FindControl<QPushButton>(form, "Command1"), Qt::LeftButton);

        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(FindControl<QPlainTextEdit>(form, "Text1").toPlainText(), QString());
        for (QWidget* window : QApplication::topLevelWidgets())
            EXPECT_FALSE(window->isVisible()) << window->metaObject()->className();
        EXPECT_EQ(server.Hits("/slow.html"), 1);
        EXPECT_EQ(server.Hits("/after.html"), 0);
    }
}

}  // namespace
}  // namespace pardovane
