#include "tests/check_command.h"
#include "tests/local_server.h"
#include "tests/run_command.h"
#include "tests/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace pardovane {
namespace {

using test::Check;
using test::LocalServer;
using test::ShellQuote;
using test::TempDir;

// A repository's Markdown: its links to files and folders are judged by
// what is there, as GitHub resolves them; http links are requested.
class MarkdownCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        server_.Page("/ok", "fine");
        server_.Status("/gone", 404);
        server_.Start();
        dir_.Write("repo/README.md", "# Read me\n\n[guide](docs/guide.md#setup) [top](#read-me)\n");
        dir_.Write("repo/img.png", "png");
        dir_.Write("repo/docs/my file.md", "x\n");
        dir_.Write("repo/docs/sub/a.txt", "a");
        dir_.Write("repo/docs/guide.md",
                   "## Setup\n\n[up](../README.md) [root](/img.png) [dir](sub/) [dir2](sub)\n"
                   "[space](<my file.md>) [pct](my%20file.md) [gone](gone.md) [nodir](nodir/)\n"
                   "[frag](../README.md#nothing) [line](../README.md#L3) [ok]("
                       + server_.Url("/ok") + ") [404](" + server_.Url("/gone") + ")\n");
    }

    LocalServer server_;
    TempDir dir_;
};

// Each Markdown page is named by its path from the working directory.
TEST_F(MarkdownCheck, AFolderJudgesEachLinkOfItsMarkdown)
{
    const auto inDir = [this](const std::string& arguments) {
        return test::RunCommand("sh -c "
                                + ShellQuote("cd " + ShellQuote(dir_.path().string()) + " && exec "
                                             + ShellQuote(PARDOVANE_CHECK_BINARY) + " " + arguments));
    };
    const auto result = inDir("--fragments repo");
    EXPECT_EQ(result.out,
              "repo/README.md\r\n  <OK>\r\n\r\n"
              "repo/docs/guide.md\r\n  gone.md  <Error>\r\n  nodir/  <Error>\r\n"
              "  ../README.md#nothing  <Error>\r\n  "
                  + server_.Url("/gone") + "  <Error>\r\n  <Err>\r\n\r\n"
                  + "repo/docs/my file.md\r\n  <OK>\r\n\r\n");
    EXPECT_EQ(result.exitCode, 1);
    const auto json = inDir("-f json repo");
    EXPECT_NE(json.out.find(R"("reason": "no such file")"), std::string::npos) << json.out;
}

TEST_F(MarkdownCheck, AFileIsReadAsWhatItIs)
{
    dir_.Write("site/index.html", "<a href=a.html>a</a><a href=missing.html>m</a>");
    dir_.Write("site/a.html", "a");
    const auto html = Check(ShellQuote((dir_.path() / "site/index.html").string()));
    EXPECT_EQ(html.out, "index.html\r\n  missing.html  <Error>\r\n  <Err>\r\n\r\n");
    // Its root is its folder, unless --root-dir names another.
    const std::string guide = ShellQuote((dir_.path() / "repo/docs/guide.md").string());
    EXPECT_NE(Check(guide).out.find("  /img.png  <Error>\r\n"), std::string::npos);
    const auto rooted = Check("--root-dir " + ShellQuote((dir_.path() / "repo").string()) + " " + guide);
    EXPECT_EQ(rooted.out.find("/img.png"), std::string::npos) << rooted.out;
    EXPECT_TRUE(
        rooted.out.starts_with(std::filesystem::canonical(dir_.path()).string() + "/repo/docs/guide.md\r\n"))
        << rooted.out;
}

// A list line naming a Markdown file or folder by absolute path checks it
// (the window's list is read the same way); any other line is a URL.
TEST_F(MarkdownCheck, AListLineNamingALocalFileOrFolderChecksIt)
{
    const std::filesystem::path repo = std::filesystem::canonical(dir_.path() / "repo");
    const auto list = dir_.Write(
        "list.txt", repo.string() + "/README.md\n" + (repo / "docs").string() + "\nrelative/README.md\n");
    const auto result = Check("--fragments " + ShellQuote(list.string()));
    EXPECT_TRUE(result.out.starts_with(repo.string() + "/README.md\r\n  <OK>\r\n\r\n" + repo.string()
                                       + "/docs/guide.md\r\n  gone.md  <Error>\r\n"))
        << result.out;
    EXPECT_NE(result.out.find(repo.string() + "/docs/my file.md\r\n  <OK>"), std::string::npos);
    EXPECT_NE(result.out.find("\"relative/README.md\""), std::string::npos) << "unreachable, as before";
}

}  // namespace
}  // namespace pardovane
