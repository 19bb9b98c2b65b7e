#include "tests/local_server.h"
#include "tests/scoped_env.h"
#include "tests/temp_dir.h"
#include "tests/ui_controls.h"
#include "ui/form1.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace pardovane {
namespace {

using test::FindControl;

// The configuration file is read at each press of Check: a broken one is
// said in a message and nothing is checked; mended, the next press checks
// with it, without a restart.
TEST(WindowConfigFile, ABrokenOneStopsTheRunAndAMendedOneCountsAtTheNextPress)
{
    test::LocalServer server;
    server.Page("/a.html", "<a href=gone.html>gone</a>");
    server.Start();
    const test::TempDir dir;
    const auto list = dir.Write("HtmlURL.txt", server.Url("/a.html") + "\n");
    std::filesystem::create_directory(dir.path() / "pardovane");
    const auto config = dir.Write("pardovane/config.toml", "jobs = 4\nmax-depth = -1\n");
    const test::ScopedEnv home("XDG_CONFIG_HOME", dir.path().c_str());

    Form1 form{list};
    QStringList messages;
    form.SetMessageBoxRunner([&messages](QMessageBox& box) {
        messages << box.text();
        box.button(QMessageBox::Ok)->click();
    });
    form.show();
    auto& check = FindControl<QPushButton>(form, "Command1");
    const auto& report = FindControl<QPlainTextEdit>(form, "Text1");

    QTest::mouseClick(&check, Qt::LeftButton);
    EXPECT_EQ(
        messages,
        QStringList(QString::fromStdU16String(u"設定ファイルを読み込めないため、チェックを開始できません。\n")
                    + QString::fromStdString(config.string())
                    + ":2: max-depth takes a whole number from 0 to 10000000"));
    EXPECT_EQ(report.toPlainText(), QString());
    EXPECT_EQ(server.TotalHits(), 0);

    dir.Write("pardovane/config.toml", "jobs = 4\naccept = \"200-299,404\"\n");
    messages.clear();
    QTest::mouseClick(&check, Qt::LeftButton);
    EXPECT_EQ(messages, QStringList());
    EXPECT_EQ(report.toPlainText(), QString::fromStdString(server.Url("/a.html")) + "\n  <OK>\n\n");
}

// The file's credential headers go with the window's requests to the
// listed page's origin, and never to a site it links to.
TEST(WindowConfigFile, CredentialsGoOnlyToTheListedPagesOrigin)
{
    test::LocalServer other;
    other.Status("/x", 200);
    other.Start();
    test::LocalServer own;
    own.Page("/a.html", "<a href=\"" + other.Url("/x") + "\">x</a>");
    own.Start();
    const test::TempDir dir;
    const auto list = dir.Write("HtmlURL.txt", own.Url("/a.html") + "\n");
    std::filesystem::create_directory(dir.path() / "pardovane");
    dir.Write("pardovane/config.toml", "header = [\"Authorization: Bearer S\"]\n");
    const test::ScopedEnv home("XDG_CONFIG_HOME", dir.path().c_str());

    Form1 form{list};
    form.show();
    QTest::mouseClick(&FindControl<QPushButton>(form, "Command1"), Qt::LeftButton);
    EXPECT_EQ(own.LastHeaders("/a.html").count("Authorization"), 1u);
    EXPECT_EQ(other.Hits("/x"), 1);
    EXPECT_EQ(other.LastHeaders("/x").count("Authorization"), 0u);
}

}  // namespace
}  // namespace pardovane
