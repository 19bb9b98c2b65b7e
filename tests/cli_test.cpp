#include "tests/local_server.h"
#include "tests/run_command.h"
#include "tests/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace pardovane {
namespace {

using test::LocalServer;
using test::RunCommand;
using test::ShellQuote;
using test::TempDir;

const std::string kBinary = PARDOVANE_CHECK_BINARY;

test::CommandResult Check(const std::string& arguments)
{
    return RunCommand(ShellQuote(kBinary) + " " + arguments);
}

std::string BadPageBlock(const std::string& url)
{
    return "リンクをチェックするホームページ \"" + url
        + "\" にアクセスできません\r\n\u3000URLをご確認ください\r\n";
}

TEST(CheckCommand, PrintsTheReportAndSummaryAndFailsOnABadPage)
{
    LocalServer server;
    server.Page("/index.html", "<p>hello</p>");
    server.Status("/gone.html", 410);
    server.Start();
    TempDir dir;
    const std::string good = server.Url("/index.html");
    const std::string bad = server.Url("/gone.html");
    const auto list = dir.Write("list.txt", good + "\r\n" + bad + "\r\n");

    for (const char* jobs : {"-j1 ", ""}) {
        const int before = server.TotalHits();
        const auto result = Check(jobs + ShellQuote(list.string()));

        EXPECT_EQ(result.out, good + "\r\n  <OK>\r\n\r\n" + BadPageBlock(bad));
        EXPECT_EQ(result.err,
                  "リンクをチェックするホームページ \"" + bad
                      + "\" にアクセスできません\nURLをご確認ください\nチェック数/0  エラー/0\n");
        EXPECT_EQ(result.exitCode, 1);
        // One GET is each listed page's probe and download.
        EXPECT_EQ(server.TotalHits() - before, 2) << jobs;
    }
}

TEST(CheckCommand, AllGoodExitsZero)
{
    LocalServer server;
    server.Page("/a", "x");
    server.Start();
    TempDir dir;
    const auto list = dir.Write("list.txt", server.Url("/a") + "\n");
    const auto result = Check(ShellQuote(list.string()));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, server.Url("/a") + "\r\n  <OK>\r\n\r\n");
}

TEST(CheckCommand, ReadsTheListBesideTheExecutableByDefault)
{
    LocalServer server;
    server.Page("/beside", "x");
    server.Start();
    TempDir dir;
    const auto copy = dir.path() / "pardovane-check";
    std::filesystem::copy_file(kBinary, copy);
    dir.Write("HtmlURL.txt", server.Url("/beside") + "\n");
    const auto result = RunCommand(ShellQuote(copy.string()));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(server.Hits("/beside"), 1);
}

TEST(CheckCommand, UnreadableListFileExitsTwoNamingTheFile)
{
    TempDir dir;
    const auto missing = dir.path() / "none.txt";
    const auto result = Check(ShellQuote(missing.string()));
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "URLリストのファイルを開けません\n" + missing.string() + "\n");
}

// AddressSanitizer maps terabytes up front, so a memory limit stops it first.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PARDOVANE_ADDRESS_SANITIZER
#endif
#endif

TEST(CheckCommand, AFailureOfItsOwnIsOneLineAndStatusTwo)
{
    TempDir dir;
    const std::string noTmp = "pardovane-check: cannot make a temporary copy of the list in /nonexistent:"
                              " No such file or directory\n";
    std::vector<std::pair<std::string, std::string>> cases
        = {{"env TMPDIR=/nonexistent " + ShellQuote(kBinary) + " -", noTmp}};
#ifndef PARDOVANE_ADDRESS_SANITIZER
    // A list the size of the cap, in a sparse file, read under a memory limit.
    const auto list = dir.Write("big.txt", "");
    std::filesystem::resize_file(list, std::uintmax_t{200} * 1024 * 1024);
    cases.emplace_back(
        "sh -c "
            + ShellQuote("ulimit -v 150000 && exec " + ShellQuote(kBinary) + " " + ShellQuote(list.string())),
        "pardovane-check: out of memory\n");
#endif
    for (const auto& [command, message] : cases) {
        const auto result = RunCommand(command);
        EXPECT_EQ(result.exitCode, 2) << command;
        EXPECT_EQ(result.err, message) << command;
        EXPECT_EQ(result.out, "") << command;
    }
}

TEST(CheckCommand, TakesTheUsersConfigFileAndStopsOnABadOne)
{
    LocalServer server;
    server.Status("/gone.html", 410);
    server.Start();
    TempDir dir;
    const std::string config = (dir.path() / "pardovane" / "config.toml").string();
    const std::string withConfig
        = "env XDG_CONFIG_HOME=" + ShellQuote(dir.path().string()) + " " + ShellQuote(kBinary);
    const std::string url = ShellQuote(server.Url("/gone.html"));

    std::filesystem::create_directory(dir.path() / "pardovane");
    dir.Write("pardovane/config.toml", "accept = \"200-299,410\"\n");
    EXPECT_EQ(RunCommand(withConfig + " " + url).exitCode, 0);
    EXPECT_EQ(RunCommand(withConfig + " --accept 200 " + url).exitCode, 1);

    dir.Write("pardovane/config.toml", "jobs = 0\n");
    const auto broken = RunCommand(withConfig + " " + url);
    const auto missing = Check("--config " + ShellQuote(config + ".none") + " " + url);
    for (const auto& [result, message] :
         {std::pair(broken, config + ":1: jobs takes a whole number from 1 to 256"),
          std::pair(missing,
                    "cannot read the configuration file " + config + ".none: No such file or directory")}) {
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, "pardovane-check: " + message + "\n");
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(server.Hits("/gone.html"), 2);
}

TEST(CheckCommand, VersionHelpAndAUsageError)
{
    const auto version = Check("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "pardovane-check 1.4.0\n");

    const auto help = Check("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: pardovane-check"));
    // A screenful, beside the man page.
    EXPECT_LE(std::count(help.out.begin(), help.out.end(), '\n'), 45);

    const auto wrong = Check("--jobs=0 list.txt");
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err,
              "pardovane-check: --jobs takes a whole number from 1 to 256\n"
              "Try 'pardovane-check --help' for more information.\n");
}

}  // namespace
}  // namespace pardovane
