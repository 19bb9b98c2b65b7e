#include "tests/generated_site.h"
#include "tests/run_command.h"
#include "tests/scoped_env.h"
#include "tests/temp_dir.h"
#include "tests/ui_controls.h"
#include "ui/form1.h"
#include "ui/report_box.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace pardovane {
namespace {

using test::FindControl;

std::string Contents(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// What the window showed for one press of Check: the report it saved, and
// its messages and summary, a line each as pardovane-check writes them.
struct WindowRun {
    std::string saved;
    std::string messages;
    std::string summary;
};

WindowRun CheckInWindow(const std::filesystem::path& listFile, const test::TempDir& dir)
{
    const auto saved = dir.path() / "saved.txt";
    Form1 form{listFile};
    std::string messages;
    form.SetMessageBoxRunner([&messages](QMessageBox& box) {
        messages += box.text().toStdString() + "\n";
        box.button(QMessageBox::Ok)->click();
    });
    FindControl<ReportBox>(form, "Text1").SetDialogRunner([&saved](QDialog& dialog) {
        auto& files = dynamic_cast<QFileDialog&>(dialog);
        files.selectFile(QString::fromStdString(saved.string()));
        QMetaObject::invokeMethod(&files, "accept");
    });
    form.show();
    form.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::mouseClick(&FindControl<QPushButton>(form, "Command1"), Qt::LeftButton);
    QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
    return {Contents(saved), messages, FindControl<QLabel>(form, "Label1").text().toStdString() + "\n"};
}

// The window and pardovane-check run one engine the same way: on a generated
// site the report the window saves, its messages and its summary are the
// command's stdout and stderr, byte for byte.
class WindowDifferential : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override
    {
        server.Start();
        site.Generate(server.Url());
        site.Serve(server);
        listFile = dir.Write("HtmlURL.txt", site.List(server.Url()));
    }

    test::CommandResult Command(const std::string& options) const
    {
        return test::RunCommand(test::ShellQuote(PARDOVANE_CHECK_BINARY) + " " + options + " "
                                + test::ShellQuote(listFile.string()));
    }

    test::LocalServer server;
    test::GeneratedSite site{GetParam()};
    test::TempDir dir;
    std::filesystem::path listFile;
};

TEST_P(WindowDifferential, SavedReportMessagesAndSummaryAreTheCommands)
{
    const WindowRun window = CheckInWindow(listFile, dir);
    const auto command = Command("");
    EXPECT_EQ(window.saved, command.out);
    EXPECT_EQ(window.messages + window.summary, command.err);
    // Broken links and an unreachable page, so that agreeing means something.
    EXPECT_NE(command.out.find("  <Error>\r\n"), std::string::npos);
    EXPECT_NE(window.messages, "");
}

// The user's configuration file sets the window's run as the same options
// set the command's: here a crawl from every listed page, and 404 good.
TEST_P(WindowDifferential, ConfiguredRunIsTheCommandsWithTheSameOptions)
{
    const test::TempDir config;
    std::filesystem::create_directory(config.path() / "pardovane");
    config.Write("pardovane/config.toml", "recurse = true\naccept = \"200-299,404\"\n");
    WindowRun window;
    {
        const test::ScopedEnv home("XDG_CONFIG_HOME", config.path().c_str());
        window = CheckInWindow(listFile, dir);
    }
    const auto command = Command("--recurse --accept 200-299,404");
    EXPECT_EQ(window.saved, command.out);
    EXPECT_EQ(window.messages + window.summary, command.err);
    // A page only the crawl reads.
    EXPECT_NE(command.out.find("/sub/deep.html\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Seeds, WindowDifferential, ::testing::Values(1u, 2u, 3u));

}  // namespace
}  // namespace pardovane
