#include "tests/check_command.h"
#include "tests/file_permissions.h"
#include "tests/local_server.h"
#include "tests/run_command.h"
#include "tests/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pardovane {
namespace {

using test::LocalServer;
using test::RunCommand;
using test::ShellQuote;
using test::TempDir;

using test::Check;

const std::string kBinary = ShellQuote(PARDOVANE_CHECK_BINARY);

// Runs a bash script (for <(...), & and $!), with TMPDIR in dir so that any
// file the program leaves behind shows there.
test::CommandResult Script(const TempDir& dir, const std::string& script)
{
    std::filesystem::create_directory(dir.path() / "tmp");
    return RunCommand("env TMPDIR=" + ShellQuote((dir.path() / "tmp").string()) + " bash -c "
                      + ShellQuote("cd " + ShellQuote(dir.path().string()) + " || exit 9\n" + script));
}

std::string Read(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(CheckCommandOutput, AReportThatCannotBeWrittenFailsTheRun)
{
    LocalServer server;
    server.Page("/a", "x");
    server.Start();
    TempDir dir;
    // The last one writes into a pipe whose reader is already gone.
    const std::string command = kBinary + " " + server.Url("/a");
    for (const std::string& run : {
             command + " -f json >/dev/full",
             command + " >&-",
             "python3 -c 'import os, sys; r, w = os.pipe(); os.close(r); os.dup2(w, 1);"
             " os.execvp(sys.argv[1], sys.argv[1:])' "
                 + command,
         }) {
        SCOPED_TRACE(run);
        const auto result = Script(dir, run);
        EXPECT_TRUE(result.err.starts_with("pardovane-check: the report could not be written: "));
        EXPECT_EQ(result.exitCode, 2);
    }
}

TEST(CheckCommandOutput, AnythingButARegularFileIsWrittenThrough)
{
    LocalServer server;
    server.Page("/a", "x");
    server.Start();
    const std::string report = server.Url("/a") + "\r\n  <OK>\r\n\r\n";
    // Made, written to, then checked to be the same kind of node; what went
    // through it lands in "got". Only root may make a device node.
    const struct {
        std::string make, target, check, got;
    } kCases[] = {
        {"mkfifo node; timeout 20 cat node > got &", "node", "wait $!; [ -p node ]", report},
        {"", ">(cat > got)", "wait $!", report},
        {"exec 3> got;", "/dev/fd/3", "[ -f got ]", report},
        {"[ $(id -u) = 0 ] && mknod node c 1 3 || ln -s /dev/null node;", "node", "[ -c node ]", ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.make + c.target);
        TempDir dir;
        const auto result = Script(dir,
                                   c.make + kBinary + " -o " + c.target + " " + server.Url("/a") + "; s=$?; "
                                       + c.check + " || s=9; echo $s");
        EXPECT_EQ(result.out, "0\n");
        EXPECT_EQ(Read(dir.path() / "got"), c.got);
    }
}

TEST(CheckCommandOutput, AReplacedFileKeepsItsModeAndOwner)
{
    LocalServer server;
    server.Page("/a", "x");
    server.Start();
    TempDir dir;
    // Root may give it away (to nobody) and must keep that too.
    const auto result = Script(dir,
                               "echo old > r; chmod 640 r; [ $(id -u) != 0 ] || chown 65534:65534 r;"
                               " was=$(stat -c %A.%u.%g r); "
                                   + kBinary + " -o r " + server.Url("/a")
                                   + " && [ $(stat -c %A.%u.%g r) = $was ] && cat r");
    EXPECT_EQ(result.out, server.Url("/a") + "\r\n  <OK>\r\n\r\n");
}

TEST(CheckCommandOutput, AFileTheUserMayNotWriteIsRefusedBeforeAnyRequest)
{
    if (test::FilePermissionsAreIgnored())
        GTEST_SKIP() << "root may write any file, and so replaces it as > does";
    LocalServer server;
    server.Page("/a", "x");
    server.Start();
    TempDir dir;
    const auto result = Script(
        dir, "echo old > r; chmod 444 r; " + kBinary + " -o r " + server.Url("/a") + "; echo $?; cat r");
    EXPECT_EQ(result.out, "2\nold\n");
    EXPECT_EQ(result.err, "pardovane-check: the report could not be written: r: Permission denied\n");
    EXPECT_EQ(server.TotalHits(), 0);
}

TEST(CheckCommandOutput, SignalledRunLeavesTheOutputFileAsItWas)
{
    LocalServer server;
    server.routes().Get("/slow", [&](const httplib::Request&, httplib::Response& res) {
        server.Wait(std::chrono::seconds(2));
        res.set_content("x", "text/html");
    });
    server.Start();
    // set -m: background jobs keep SIGINT and SIGQUIT; a signal ignored
    // before the start (as nohup does) stays ignored, and the run ends well.
    const struct {
        std::string before;
        const char* signal;
        std::string status;
    } kCases[] = {{"", "INT", "130"},
                  {"", "TERM", "143"},
                  {"", "HUP", "129"},
                  {"", "QUIT", "131"},
                  {"trap '' TERM;", "TERM", "0"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.before + c.signal);
        TempDir dir;
        dir.Write("report.xml", "old report");
        // Waits (boundedly) for the run to have made its temporary files.
        const auto result
            = Script(dir,
                     "set -m; " + c.before + kBinary + " -f junit -o report.xml " + server.Url("/slow")
                         + " & for i in $(seq 400); do [ -n \"$(ls tmp)\" ] && break;"
                           " sleep 0.05; done; kill -"
                         + c.signal + " $!; wait $!; echo $?");
        EXPECT_EQ(result.out, c.status + "\n");
        const bool ran = c.status == "0";
        EXPECT_EQ(Read(dir.path() / "report.xml").starts_with("<?xml"), ran);
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
            left.push_back(entry.path().filename().string());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{"report.xml", "tmp"}));
    }
}

TEST(CheckCommandInput, EveryWayOfGivingTheListReadsTheSamePages)
{
    LocalServer server;
    server.Page("/a", "<a href=\"gone\">g</a>");
    server.Page("/b", "x");
    server.Start();
    TempDir dir;
    const std::string a = server.Url("/a");
    const std::string b = server.Url("/b");
    dir.Write("list.txt", a + "\n" + b + "\n");
    const std::string expected = a + "\r\n  gone  <Error>\r\n  <Err>\r\n\r\n" + b + "\r\n  <OK>\r\n\r\n";
    const std::string twoUrls = kBinary + " " + a + " " + b;
    for (const std::string& command : {
             kBinary + " list.txt",
             kBinary + " - < list.txt",
             "cat list.txt | " + kBinary + " -",
             "mkfifo fifo && (cat list.txt > fifo &) && " + kBinary + " fifo; s=$?; rm fifo; exit $s",
             kBinary + " <(cat list.txt)",
             twoUrls,
         }) {
        SCOPED_TRACE(command);
        const auto result = Script(dir, command);
        EXPECT_EQ(result.out, expected);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "tmp"));
    }
}

TEST(CheckCommandInput, APipedListIsCutAtTheListCap)
{
    TempDir dir;
    // The writer is cut off (SIGPIPE or EPIPE) once the cap is passed.
    const auto result = Script(dir,
                               "head -c 300M /dev/zero 2>/dev/null | " + kBinary
                                   + " -; s=(${PIPESTATUS[@]}); echo $((s[0] != 0)) ${s[1]}");
    EXPECT_EQ(result.out, "1 2\n");
    EXPECT_EQ(result.err, "URLリストのファイルを開けません\n-\n");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "tmp"));
}

TEST(CheckCommandInput, ExcludedLinksAreNeitherRequestedNorCounted)
{
    LocalServer server;
    server.Page("/index.html",
                "<a href=\"login/form\">in</a><a href=\"ok\">ok</a>"
                "<a href=\"private/x\">p</a><a href=\"mailto:a@b\">m</a>");
    server.Page("/ok", "x");
    server.Start();
    TempDir dir;
    const std::string page = server.Url("/index.html");
    dir.Write("patterns", "# ours\r\n\r\n/private/\r\n");
    const auto result = Script(dir,
                               kBinary
                                   + " -f json -o report.json --exclude '^http://[^/]*/login/'"
                                     " --exclude-file patterns "
                                   + page);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "チェック数/1  エラー/0\n");
    EXPECT_EQ(server.Hits("/ok"), 1);
    EXPECT_EQ(server.Hits("/login/form") + server.Hits("/private/x"), 0);
    const std::string json = Read(dir.path() / "report.json");
    EXPECT_NE(
        json.find(
            "\"url\": \"" + server.Url("/login/form")
            + "\",\n          \"line\": 1,\n          \"column\": 10,\n          \"skipped\": \"excluded\",\n"
              "          \"pattern\": \"^http://[^/]*/login/\""),
        std::string::npos)
        << json;
    EXPECT_NE(json.find("\"skipped\": \"excluded\",\n          \"pattern\": \"/private/\""),
              std::string::npos);
    EXPECT_NE(json.find("\"skipped\": \"scheme\",\n          \"scheme\": \"mailto\""), std::string::npos);
}

TEST(CheckCommandOutput, AllGoodExitsZeroInEveryFormat)
{
    LocalServer server;
    server.Page("/a.html", "<a href=\"b.html\">b</a>");
    server.Page("/b.html", "b");
    server.Start();
    TempDir dir;
    const std::string list = ShellQuote(dir.Write("list.txt", server.Url("/a.html") + "\n").string());

    for (const char* format : {"text", "json", "junit"}) {
        const auto result = Check(std::string("--format ") + format + " " + list);
        EXPECT_EQ(result.exitCode, 0) << format;
        EXPECT_EQ(result.err, "チェック数/1  エラー/0\n") << format;
    }
}

TEST(CheckCommandOutput, UnreadableListWritesNoDocument)
{
    TempDir dir;
    const std::string missing = ShellQuote((dir.path() / "none.txt").string());
    for (const char* format : {"json", "junit"}) {
        const auto result = Check(std::string("--format ") + format + " " + missing);
        EXPECT_EQ(result.exitCode, 2) << format;
        EXPECT_EQ(result.out, "") << format;
    }
}

}  // namespace
}  // namespace pardovane
