#include "ui/form1.h"
#include "ui/qt_text.h"
#include "tests/temp_dir.h"
#include "tests/ui_controls.h"
#include "engine/ui_texts.h"
#include "engine/version.h"
#include "ui/window_texts.h"
#include "ui/wrapping_button.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <vector>

namespace pardovane {
namespace {

using test::FindControl;

constexpr QSize kDesignSize(601, 468);

struct Placement {
    const char* name;
    QRect rect;
};

// The design's twips divided by fifteen.
const Placement kDesign[] = {
    {"Command2", QRect(8, 8, 113, 33)},    {"Command1", QRect(128, 8, 465, 33)},
    {"Text1", QRect(8, 48, 585, 353)},     {"ProgressBar1", QRect(8, 408, 585, 17)},
    {"Label2", QRect(8, 432, 577, 17)},    {"Label1", QRect(8, 448, 577, 17)},
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
}

TEST_F(WindowTest, CheckButtonHasFocusAndTabVisitsReportThenEditButton)
{
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(QApplication::focusWidget(), &Control("Command1"));
    for (const char* next : {"Text1", "Command2", "Command1"}) {
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
    EXPECT_EQ(Control("Text1").geometry(), QRect(8, 48, 785, 453));
    EXPECT_EQ(Control("ProgressBar1").geometry(), QRect(8, 508, 785, 17));
    EXPECT_EQ(Control("Label2").geometry(), QRect(8, 532, 777, 17));
    EXPECT_EQ(Control("Label1").geometry(), QRect(8, 548, 777, 17));
}

TEST_F(WindowTest, CannotBeMadeSmallerThanTheDesign)
{
    form.show();
    form.resize(300, 200);
    EXPECT_EQ(form.size(), kDesignSize);
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
    EXPECT_TRUE(QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese)) << family.toStdString();
}

TEST_F(WindowTest, IconIsOneSixteenPixelImageOfAtMost256Colours)
{
    ASSERT_EQ(form.windowIcon().availableSizes(), QList<QSize>{QSize(16, 16)});
    const QImage image(QStringLiteral(":/pardovane/pardovane.png"));
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_LE(image.colorCount(), 256);
}

// The edit button makes sure there is a list to edit, hands it to the
// desktop, and says in a message when either step fails.
TEST(EditButtonTest, CreatesTheListOpensItAndReportsFailures)
{
    struct Case {
        const char* name;
        const char* listInDir;
        bool opens;
        std::u16string_view message;  // empty: none
        int opened;
    };
    const Case cases[] = {
        {"opened", "HtmlURL.txt", true, {}, 1},
        {"created in a new directory", "new/HtmlURL.txt", true, {}, 1},
        {"no opener", "HtmlURL.txt", false, texts::kNoEditor, 1},
        {"cannot be created", "plain/HtmlURL.txt", true, texts::kListCreateFailed, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        dir.Write("plain", "a file, not a directory");
        const std::filesystem::path list = dir.path() / c.listInDir;
        Form1 form{list};
        std::vector<QUrl> opened;
        form.SetDesktopOpener([&](const QUrl& url) { opened.push_back(url); return c.opens; });
        QStringList messages;
        form.SetMessageBoxRunner([&messages](QMessageBox& box) { messages.push_back(box.text()); });
        form.show();

        QTest::mouseClick(&FindControl<QWidget>(form, "Command2"), Qt::LeftButton);

        const QString path = QString::fromStdString(list.string());
        EXPECT_EQ(opened, std::vector<QUrl>(c.opened, QUrl::fromLocalFile(path)));
        const QStringList expected = c.message.empty() ? QStringList{}
                                                       : QStringList{ToQString(c.message) + u'\n' + path};
        EXPECT_EQ(messages, expected);
        EXPECT_EQ(std::filesystem::exists(list), c.opened == 1);
    }
}

}  // namespace
}  // namespace pardovane
