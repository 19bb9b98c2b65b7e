// The link scanner with link resolution over any page: every value lies
// where HTML would end it, text before the page changes nothing, and a whole
// check run of one listed page judges exactly the links that ForEachPageLink
// (what --jobs fetches ahead) says it probes, with counters and report to match.

#include "engine/http/verdict_rules.h"
#include "engine/page/ascii.h"
#include "engine/page/link_scanner.h"
#include "engine/page/page_links.h"
#include "engine/page/url_password.h"
#include "engine/run/check_engine.h"
#include "engine/report/run_texts.h"
#include "fuzz_check.h"

#include <algorithm>
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace pardovane::fuzz {
namespace {

// Any URL's verdict, fixed by its text so the cache cannot hide a difference.
// The empty URL is bad without a request, as the cache's first entry says.
bool GoodUrl(const std::u16string& url)
{
    return !url.empty() && url.size() % 3 != 1;
}

class FixedProber : public UrlProber {
public:
    ProbeResult Probe(const std::u16string& url) override
    {
        ProbeResult result;
        result.status = GoodUrl(url) ? 200 : 404;
        VerdictRules{}.Judge(result);
        return result;
    }
};

class PageWindow : public RunView {
public:
    std::u16string page;

    void SetStatusLabel(const std::u16string&) override { }
    void RepaintStatusLabel() override { }
    void SetPageLabel(const std::u16string&) override { }
    void SetBusyPointer() override { }
    void SetDefaultPointer() override { }
    void SetProgressMax(int) override { }
    void SetProgressValue(int) override { }
    void SetReportText(const std::u16string&) override { }
    void ShowMessage(const std::u16string&) override { }
    std::optional<DownloadedPage> DownloadPage(const std::u16string& url) override
    {
        return DownloadedPage{page, url, {}};
    }
};

struct Judged {
    std::u16string linkText;
    std::u16string url;
    bool good;
};

class JudgedLinks : public RunObserver {
public:
    std::vector<Judged> links;
    void OnLinkJudged(const JudgedLink& link) override { links.push_back({link.text, link.url, link.good}); }
};

// One list file for the whole fuzzing process, rewritten for each input.
const std::filesystem::path& ListPath()
{
    struct Dir {
        std::filesystem::path path;
        Dir()
        {
            std::string pattern = (std::filesystem::temp_directory_path() / "pardovane-fuzz-XXXXXX").string();
            Require(mkdtemp(pattern.data()) != nullptr, "a temporary directory");
            path = std::filesystem::path(pattern) / "HtmlURL.txt";
        }
        ~Dir()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path.parent_path(), ignored);
        }
    };
    static Dir dir;
    return dir.path;
}

using Values = std::vector<std::pair<std::size_t, std::size_t>>;

// The anchors', images' and bases' values; with everything, also what a
// page loads and its ids, each but a <style>'s text.
Values ScanValues(std::u16string_view text, bool everything = false)
{
    Values values;
    LinkScanner scanner(LinkScanner::Wants{.resources = everything, .ids = everything});
    scanner.Scan(text, [&](LinkScanner::Element element, std::size_t offset, std::size_t length) {
        if (element != LinkScanner::Element::StyleText)
            values.emplace_back(offset, length);
        return true;
    });
    return values;
}

void CheckScanner(std::u16string_view text)
{
    const Values values = ScanValues(text);
    for (const auto& [offset, length] : values) {
        Require(offset >= 1 && offset + length <= text.size(), "value inside the text");
        const char16_t before = text[offset - 1];
        if (before == u'"' || before == u'\'') {
            Require(offset + length < text.size() && text[offset + length] == before,
                    "a quoted value ends at its quote");
        } else {
            for (std::size_t i = offset; i < offset + length; ++i)
                Require(!IsHtmlSpace(text[i]) && text[i] != u'>', "an unquoted value ends at a blank or '>'");
        }
    }
    // Wanting more finds more values of the same kind, never other ones.
    const Values all = ScanValues(text, true);
    for (const auto& value : values)
        Require(std::find(all.begin(), all.end(), value) != all.end(), "wanting more keeps every link");
    for (const auto& [offset, length] : all) {
        const char16_t before = offset > 0 ? text[offset - 1] : u'\0';
        Require(offset >= 1 && offset + length <= text.size(), "every value inside the text");
        Require(before != u'"' && before != u'\''
                    || (offset + length < text.size() && text[offset + length] == before),
                "every quoted value ends at its quote");
    }
    Values shifted = ScanValues(u"<p>" + std::u16string(text));
    for (auto& value : shifted)
        value.first -= 3;
    Require(shifted == values, "text before the page changes nothing");
}

void CheckRun(const std::u16string& pageLine, const std::u16string& text)
{
    {
        std::ofstream out(ListPath(), std::ios::binary | std::ios::trunc);
        const std::string bytes = Utf16ToUtf8(pageLine);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    FixedProber prober;
    PageWindow window;
    window.page = text;
    JudgedLinks judged;
    CheckEngine engine(window, prober, ListPath());
    engine.AddObserver(judged);
    engine.RunCheck();

    const RunState& s = engine.state();
    Require(!engine.lastRun().listFileFailed, "the list file is read");
    if (s.pageUrl.empty()) {
        Require(s.report.empty() && judged.links.empty(), "an empty line is skipped");
        return;
    }
    if (!GoodUrl(s.pageUrl)) {
        Require(judged.links.empty() && s.checkedCount == 0, "a bad page is not scanned");
        return;
    }

    std::vector<std::u16string> expected;
    ForEachPageLink(text, s.pageUrl, {}, {}, [&](const PageLink& link) {
        if (link.target.probed())
            expected.push_back(link.target.url);
    });
    Require(judged.links.size() == expected.size(), "one judgement per probed link");
    // Passwords in URLs are masked wherever the report shows them.
    std::u16string report = WithoutPasswords(s.pageUrl) + u"\r\n";
    int errors = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        Require(judged.links[i].url == expected[i], "the run probes what ForEachPageLink says");
        Require(judged.links[i].good == GoodUrl(expected[i]), "the verdict is the probe's");
        if (!judged.links[i].good) {
            report += u"  " + WithoutPasswords(judged.links[i].linkText) + std::u16string(texts::kLinkError);
            ++errors;
        }
    }
    report += errors > 0 ? texts::kPageErr : texts::kPageOk;
    Require(s.checkedCount == static_cast<int>(expected.size()), "every judged link is counted");
    Require(s.errorCount == errors, "every bad link is an error");
    Require(s.report == report, "the report names each bad link as written");
}

}  // namespace
}  // namespace pardovane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pardovane;
    FuzzedDataProvider input(data, size);
    const bool rawUnits = input.ConsumeBool();
    std::u16string pageLine = Utf8ToUtf16(input.ConsumeRandomLengthString(200));
    std::erase_if(pageLine, [](char16_t c) { return c == u'\r' || c == u'\n'; });
    const std::u16string text = fuzz::TextFrom(input.ConsumeRemainingBytesAsString(), rawUnits);

    fuzz::CheckScanner(text);
    fuzz::CheckRun(pageLine, text);
    return 0;
}
