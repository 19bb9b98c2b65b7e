#include "engine/input/list_location.h"
#include "tests/temp_dir.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>

namespace pardovane {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> Contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::optional(std::string(std::istreambuf_iterator<char>(in), {})) : std::nullopt;
}

// Root may write any file, so the choice is made as "nobody" in a child
// process, which hands back the path it chose.
fs::path ChooseAsOrdinaryUser(const ListLocation& location)
{
    if (::geteuid() != 0)
        return ChooseListFile(location);
    int channel[2];
    if (::pipe(channel) != 0)
        throw std::runtime_error("pipe failed");
    if (::fork() == 0) {
        const std::string chosen
            = ::setgid(65534) == 0 && ::setuid(65534) == 0 ? ChooseListFile(location).string() : "";
        ::_exit(::write(channel[1], chosen.data(), chosen.size()) > 0 ? 0 : 1);
    }
    ::close(channel[1]);
    char buffer[4096];
    const ssize_t got = ::read(channel[0], buffer, sizeof buffer);
    ::close(channel[0]);
    ::wait(nullptr);
    return std::string(buffer, got > 0 ? static_cast<size_t>(got) : 0);
}

TEST(ListLocationTest, BesideTheProgramOnlyWhenWritableOtherwiseTheUsersOwn)
{
    struct Case {
        const char* name;
        std::optional<std::string> beside;  // the list beside the program
        bool besideReadOnly;
        std::optional<std::string> own;  // the user's list before the choice
        bool starter;
        bool expectBeside;
        std::optional<std::string> ownAfter;
    };
    const Case cases[] = {
        {"writable beside", "beside\n", false, std::nullopt, true, true, std::nullopt},
        {"read-only beside", "beside\n", true, std::nullopt, true, false, "starter\r\n"},
        {"own list kept", std::nullopt, false, "edited\n", true, false, "edited\n"},
        {"no starter", std::nullopt, false, std::nullopt, false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir root;
        const fs::path program = root.path() / "bin", config = root.path() / "config";
        const fs::path own = config / "pardovane" / "HtmlURL.txt";
        // Open to the child, as a home directory is to its user.
        for (const fs::path& dir : {root.path(), program, config}) {
            fs::create_directories(dir);
            fs::permissions(dir, fs::perms::all);
        }
        if (c.starter)
            root.Write("starter.txt", "starter\r\n");
        if (c.beside) {
            const fs::perms readable = fs::perms::owner_read | fs::perms::others_read;
            const fs::perms writable = fs::perms::owner_write | fs::perms::others_write;
            fs::permissions(root.Write("bin/HtmlURL.txt", *c.beside),
                            c.besideReadOnly ? readable : readable | writable);
        }
        if (c.own) {
            fs::create_directories(own.parent_path());
            root.Write("config/pardovane/HtmlURL.txt", *c.own);
        }
        const ListLocation location{
            program, config, {root.path() / "missing.txt", root.path() / "starter.txt"}};

        EXPECT_EQ(ChooseAsOrdinaryUser(location), c.expectBeside ? program / "HtmlURL.txt" : own);
        EXPECT_EQ(Contents(own), c.ownAfter);
        EXPECT_EQ(Contents(program / "HtmlURL.txt"), c.beside);
    }
}

// A build tree's two programs share a directory and so the list beside
// them: the window and the command line check the same pages.
TEST(ListLocationTest, ABuildTreeHasOneListBesideBothPrograms)
{
    const fs::path window = fs::path(PARDOVANE_WINDOW_BINARY).parent_path();
    EXPECT_EQ(window, fs::path(PARDOVANE_CHECK_BINARY).parent_path());
    EXPECT_TRUE(fs::is_regular_file(window / "HtmlURL.txt"));
}

}  // namespace
}  // namespace pardovane
