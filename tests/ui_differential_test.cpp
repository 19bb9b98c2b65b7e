#include "tests/generated_site.h"
#include "tests/run_command.h"
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

// The window and pardovane-check run one engine the same way: on a generated
// site the report the window saves, its messages and its summary are the
// command's stdout and stderr, byte for byte.
class WindowDifferential : public ::testing::TestWithParam<unsigned> { };

TEST_P(WindowDifferential, SavedReportMessagesAndSummaryAreTheCommands)
{
    test::LocalServer server;
    test::GeneratedSite site(GetParam());
    server.Start();
    site.Generate(server.Url());
    site.Serve(server);
    test::TempDir dir;
    const auto listFile = dir.Write("HtmlURL.txt", site.List(server.Url()));
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
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::mouseClick(&FindControl<QPushButton>(form, "Command1"), Qt::LeftButton);
    QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);

    const auto command = test::RunCommand(test::ShellQuote(PARDOVANE_CHECK_BINARY) + " "
                                          + test::ShellQuote(listFile.string()));
    EXPECT_EQ(Contents(saved), command.out);
    EXPECT_EQ(messages + FindControl<QLabel>(form, "Label1").text().toStdString() + "\n", command.err);
    // Broken links and an unreachable page, so that agreeing means something.
    EXPECT_NE(command.out.find("  <Error>\r\n"), std::string::npos);
    EXPECT_NE(messages, "");
}

INSTANTIATE_TEST_SUITE_P(Seeds, WindowDifferential, ::testing::Values(1u, 2u, 3u));

}  // namespace
}  // namespace pardovane
