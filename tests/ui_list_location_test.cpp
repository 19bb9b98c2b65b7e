#include "list_location.h"
#include "temp_dir.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace pardovane {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> Contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Root may write any file, so an unwritable list is chosen as "nobody" in a
// child process; the child hands back the path it chose.
fs::path ChooseWithoutPrivileges(const ListLocation& location)
{
    if (::geteuid() != 0)
        return ChooseListFile(location);
    int channel[2];
    if (::pipe(channel) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(1);
        const std::string chosen = ChooseListFile(location).string();
        const bool sent = ::write(channel[1], chosen.data(), chosen.size()) == static_cast<ssize_t>(chosen.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    std::string chosen;
    char buffer[256];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        chosen.append(buffer, static_cast<size_t>(got));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the unprivileged child failed");
    return chosen;
}

class ListLocationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Open to the unprivileged child, as a home directory is to its user.
        for (const fs::path& dir : {root.path(), program, config}) {
            fs::create_directories(dir);
            fs::permissions(dir, fs::perms::all);
        }
        root.Write("starter.txt", "http://127.0.0.1:1/\r\n");
    }

    test::TempDir root;
    fs::path program = root.path() / "bin";
    fs::path config = root.path() / "config";
    fs::path ownList = config / "pardovane" / "HtmlURL.txt";
    ListLocation location{program, config, {root.path() / "missing.txt", root.path() / "starter.txt"}};
};

TEST_F(ListLocationTest, WritableListBesideTheProgramIsUsedAndNothingIsCreated)
{
    root.Write("bin/HtmlURL.txt", "http://127.0.0.1:2/\n");
    EXPECT_EQ(ChooseListFile(location), program / "HtmlURL.txt");
    EXPECT_FALSE(fs::exists(config / "pardovane"));
}

TEST_F(ListLocationTest, ReadOnlyListBesideTheProgramGivesTheUsersOwnCopyOfTheStarter)
{
    const fs::path beside = root.Write("bin/HtmlURL.txt", "http://127.0.0.1:2/\n");
    fs::permissions(beside, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(ChooseWithoutPrivileges(location), ownList);
    EXPECT_EQ(Contents(ownList), "http://127.0.0.1:1/\r\n");
    EXPECT_EQ(Contents(beside), "http://127.0.0.1:2/\n");
}

TEST_F(ListLocationTest, UsersOwnListIsKeptAsEdited)
{
    fs::create_directories(ownList.parent_path());
    root.Write("config/pardovane/HtmlURL.txt", "http://127.0.0.1:3/\n");
    EXPECT_EQ(ChooseListFile(location), ownList);
    EXPECT_EQ(Contents(ownList), "http://127.0.0.1:3/\n");
}

TEST_F(ListLocationTest, WithoutAStarterTheUserGetsAnEmptyListToEdit)
{
    location.starterLists = {root.path() / "missing.txt"};
    EXPECT_EQ(ChooseListFile(location), ownList);
    EXPECT_EQ(Contents(ownList), "");
}

}  // namespace
}  // namespace pardovane
