#include "engine/settings/config_file.h"
#include "tests/temp_dir.h"
#include "tests/ui_controls.h"
#include "ui/settings_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

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

class SettingsFormTest : public ::testing::Test {
protected:
    void Open(const std::string& text)
    {
        file = dir.Write("config.toml", text);
        form.SetFile(file);
        form.SetNotifier([this](const std::u16string& text) { said += QString::fromStdU16String(text); });
    }
    template <typename Control>
    Control& Field(const char* key)
    {
        return FindControl<Control>(form, key);
    }

    test::TempDir dir;
    std::filesystem::path file;
    SettingsForm form;
    QString said;
};

// What the form saves, the command reads as the same options would set;
// the comment and the key the form does not show stay as they were.
TEST_F(SettingsFormTest, SavedFileReadsAsTheSameOptionsAndKeepsTheRest)
{
    Open("# checked nightly\njobs = 4\nresources = false\ntimeout = 3\n\n[header-for]\n"
         "\"https://example.org\" = \"X-Key: 1\"\n");
    Field<QCheckBox>("resources").setChecked(true);
    Field<QCheckBox>("fragments").setChecked(true);
    Field<QCheckBox>("recurse").setChecked(true);
    Field<QLineEdit>("max-pages").setText(QStringLiteral("50"));
    Field<QLineEdit>("accept").setText(QStringLiteral("200-299,403"));
    Field<QComboBox>("redirects").setCurrentIndex(2);
    Field<QPlainTextEdit>("exclude").setPlainText(QStringLiteral("^https://a\\.example/\n\"quoted\"\n"));
    Field<QLineEdit>("timeout").setText(QStringLiteral("7.5"));
    Field<QLineEdit>("user-agent").setText(QStringLiteral("Probe/1"));
    ASSERT_TRUE(form.Save()) << said.toStdString();

    RunSettings fromFile;
    ASSERT_EQ(ReadConfigFile(file, fromFile), std::nullopt);
    RunSettings fromOptions;
    for (const auto& [name, value] : {std::pair{"jobs", "4"},
                                      {"resources", "true"},
                                      {"fragments", "true"},
                                      {"recurse", "true"},
                                      {"max-pages", "50"},
                                      {"accept", "200-299,403"},
                                      {"redirects", "warn"},
                                      {"exclude", "^https://a\\.example/"},
                                      {"exclude", "\"quoted\""},
                                      {"timeout", "7.5"},
                                      {"user-agent", "Probe/1"},
                                      {"header-for", "https://example.org X-Key: 1"}})
        ASSERT_EQ(ApplySetting(name, value, fromOptions), std::nullopt) << name;
    EXPECT_EQ(fromFile.jobs, fromOptions.jobs);
    EXPECT_EQ(fromFile.checks.resources, fromOptions.checks.resources);
    EXPECT_EQ(fromFile.checks.fragments, fromOptions.checks.fragments);
    EXPECT_EQ(fromFile.crawl.recurse, fromOptions.crawl.recurse);
    EXPECT_EQ(fromFile.crawl.maxPages, fromOptions.crawl.maxPages);
    EXPECT_EQ(fromFile.http.verdict.accepted.Contains(403), fromOptions.http.verdict.accepted.Contains(403));
    EXPECT_EQ(fromFile.http.verdict.redirects, fromOptions.http.verdict.redirects);
    EXPECT_EQ(fromFile.excludes, fromOptions.excludes);
    EXPECT_EQ(fromFile.http.probeTimeoutMs, fromOptions.http.probeTimeoutMs);
    EXPECT_EQ(fromFile.http.userAgent, fromOptions.http.userAgent);
    EXPECT_EQ(fromFile.http.originHeaders.size(), 1u);
    const std::string text = Contents(file);
    EXPECT_EQ(text.find("# checked nightly\njobs = 4\nresources = true\ntimeout = 7.5\n"), 0u) << text;
}

TEST_F(SettingsFormTest, RefusesAFileThatDoesNotReadAndABadValue)
{
    const std::string broken = "resources = = true\n";
    Open(broken);
    Field<QCheckBox>("fragments").setChecked(true);
    EXPECT_FALSE(form.Save());
    EXPECT_EQ(Contents(file), broken);
    EXPECT_TRUE(said.contains(QString::fromStdString(file.string() + ":1"))) << said.toStdString();

    Open("jobs = 2\n");
    Field<QLineEdit>("max-per-host").setText(QStringLiteral("0"));
    EXPECT_FALSE(form.Save());
    EXPECT_EQ(Contents(file), "jobs = 2\n");
    EXPECT_TRUE(said.contains(QStringLiteral("max-per-host takes a whole number from 1 to 256")))
        << said.toStdString();
}

}  // namespace
}  // namespace pardovane
