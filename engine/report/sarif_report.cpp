#include "engine/report/sarif_report.h"

#include "engine/http/request_url.h"
#include "engine/page/percent_encoding.h"
#include "engine/page/url_password.h"
#include "engine/page/utf_convert.h"
#include "engine/report/finding_kind.h"
#include "engine/report/json_writer.h"
#include "engine/report/written_place.h"

#include <filesystem>
#include <system_error>

namespace pardovane {
namespace {

// The log's rules, one per FindingKind in its order.
struct RuleText {
    const char* id;
    const char* name;
    const char* description;
};

constexpr RuleText kRules[kFindingKinds] = {
    {"broken-link", "BrokenLink", "A link a reader follows leads nowhere."},
    {"broken-resource", "BrokenResource",
     "Something the page loads (an image, a stylesheet, a script...) cannot be had."},
    {"missing-fragment", "MissingFragment", "The link's #fragment names no element of its target."},
    {"unreachable-page", "UnreachablePage", "A page to check could not be reached or read."},
    {"redirect-warning", "PermanentRedirect",
     "A link or page was moved for good: it leads on through a 301 or 308."},
    {"bot-wall", "BlockedByBotProtection", "A bot-protection service answered instead of the site."},
};

const char* LevelOf(FindingKind kind)
{
    return IsWarning(kind) ? "warning" : "error";
}

// A document's address as a URI: a file's path, or the URL as requested.
std::u16string UriOf(const WrittenPlace& place)
{
    if (!place.file.empty())
        return PercentEncodedPath(Utf16ToUtf8(place.file));
    const auto wire = RequestUrlFor(place.document);
    if (const std::string* url = std::get_if<std::string>(&wire))
        return Utf8ToUtf16(*url);
    return PercentEncodedPath(Utf16ToUtf8(place.document));
}

void WriteRules(JsonWriter& json)
{
    json.Key("rules");
    json.BeginArray();
    for (int kind = 0; kind < kFindingKinds; ++kind) {
        const RuleText& rule = kRules[kind];
        json.BeginObject();
        json.Key("id");
        json.String(rule.id);
        json.Key("name");
        json.String(rule.name);
        json.Key("shortDescription");
        json.BeginObject();
        json.Key("text");
        json.String(rule.description);
        json.EndObject();
        json.Key("defaultConfiguration");
        json.BeginObject();
        json.Key("level");
        json.String(LevelOf(static_cast<FindingKind>(kind)));
        json.EndObject();
        json.EndObject();
    }
    json.EndArray();
}

void WriteResult(JsonWriter& json, FindingKind kind, const std::u16string& message, const WrittenPlace& place)
{
    json.BeginObject();
    json.Key("ruleId");
    json.String(kRules[static_cast<int>(kind)].id);
    json.Key("ruleIndex");
    json.Number(static_cast<int>(kind));
    json.Key("level");
    json.String(LevelOf(kind));
    json.Key("message");
    json.BeginObject();
    json.Key("text");
    json.String(message);
    json.EndObject();
    json.Key("locations");
    json.BeginArray();
    json.BeginObject();
    json.Key("physicalLocation");
    json.BeginObject();
    json.Key("artifactLocation");
    json.BeginObject();
    json.Key("uri");
    json.String(UriOf(place));
    if (!place.file.empty()) {
        json.Key("uriBaseId");
        json.String("%SRCROOT%");
    }
    json.EndObject();
    if (place.line > 0) {
        json.Key("region");
        json.BeginObject();
        json.Key("startLine");
        json.Number(place.line);
        json.Key("startColumn");
        json.Number(place.column);
        json.EndObject();
    }
    json.EndObject();
    json.EndObject();
    json.EndArray();
    json.EndObject();
}

// Where relative file paths start: the working directory, as a file: URI
// ending in "/", as SARIF wants a base.
std::u16string WorkingDirectoryUri()
{
    std::error_code failure;
    const std::filesystem::path working = std::filesystem::current_path(failure);
    std::string path = failure ? std::string() : working.generic_string();
    if (path.empty() || path.back() != '/')
        path.push_back('/');
    std::u16string uri = u"file://";
    uri += PercentEncodedPath(path);
    return uri;
}

}  // namespace

bool WriteSarifReport(const RunRecord& record, std::string_view toolVersion, const ReportSink& write)
{
    JsonWriter json;
    json.BeginObject();
    json.Key("$schema");
    json.String("https://json.schemastore.org/sarif-2.1.0.json");
    json.Key("version");
    json.String("2.1.0");
    json.Key("runs");
    json.BeginArray();
    json.BeginObject();
    json.Key("tool");
    json.BeginObject();
    json.Key("driver");
    json.BeginObject();
    json.Key("name");
    json.String("pardovane-check");
    json.Key("version");
    json.String(toolVersion);
    WriteRules(json);
    json.EndObject();
    json.EndObject();
    json.Key("originalUriBaseIds");
    json.BeginObject();
    json.Key("%SRCROOT%");
    json.BeginObject();
    json.Key("uri");
    json.String(WorkingDirectoryUri());
    json.EndObject();
    json.EndObject();
    json.Key("columnKind");
    json.String("unicodeCodePoints");
    json.Key("results");
    json.BeginArray();
    for (const PageRecord& page : record.pages()) {
        const WrittenPlace pagePlace{WithoutPasswords(page.url), page.file};
        for (const auto& [kind, text] : PageFindings(page))
            WriteResult(json, kind, text, pagePlace);
        for (const LinkRecord& link : record.LinksOf(page)) {
            if (link.broken() || link.warned())
                WriteResult(json, KindOf(link), FindingText(page, link), PlaceOf(page, link));
            if (!PassOn(json, write))
                return false;
        }
    }
    json.EndArray();
    json.EndObject();
    json.EndArray();
    json.EndObject();
    return write(json.TakeText() + "\n");
}

}  // namespace pardovane
