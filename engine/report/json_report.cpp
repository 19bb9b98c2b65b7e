#include "engine/report/json_report.h"

#include "engine/page/url_password.h"
#include "engine/page/utf_convert.h"
#include "engine/report/json_writer.h"

namespace pardovane {
namespace {

// Raised whenever a reader could misread a document of the older shape.
constexpr std::int64_t kVersion = 2;

void WriteStatus(JsonWriter& json, const std::optional<ProbeResult>& probe)
{
    json.Key("status");
    if (probe && probe->status > 0)
        json.Number(probe->status);
    else
        json.Null();
}

// How the answer was reached, when through redirects.
void WriteRedirects(JsonWriter& json, const std::optional<ProbeResult>& probe)
{
    if (!probe || probe->redirects.empty())
        return;
    json.Key("redirects");
    json.BeginArray();
    for (const Redirect& hop : probe->redirects) {
        json.BeginObject();
        json.Key("status");
        json.Number(hop.status);
        json.Key("location");
        json.String(WithoutPasswords(Utf8ToUtf16(hop.location)));
        json.EndObject();
    }
    json.EndArray();
}

// What a good answer still points out.
void WriteWarning(JsonWriter& json, const std::optional<ProbeResult>& probe)
{
    if (!probe || !probe->good() || !probe->warned())
        return;
    json.Key("warning");
    json.String(WarningReason(*probe));
}

// What is known of a bad answer beyond its status.
void WriteWhy(JsonWriter& json, const std::optional<ProbeResult>& probe, bool fragmentMissing = false)
{
    json.Key("failure");
    if (fragmentMissing) {
        json.Null();
        json.Key("reason");
        json.String("fragment not found");
        return;
    }
    if (probe && probe->failure != HttpFailure::None)
        json.String(HttpFailureName(probe->failure));
    else
        json.Null();
    json.Key("reason");
    json.String(ProbeReason(probe));
    if (probe && !probe->detail.empty()) {
        json.Key("detail");
        json.String(probe->detail);
    }
}

void WriteLink(JsonWriter& json, const LinkRecord& link)
{
    json.BeginObject();
    json.Key("link");
    json.String(WithoutPasswords(link.link));
    json.Key("kind");
    json.String(ElementName(link.element));
    if (link.sheet) {
        json.Key("stylesheet");
        json.String(WithoutPasswords(NamedUrl(*link.sheet)));
    }
    json.Key("url");
    json.String(WithoutPasswords(link.name()));
    json.Key("line");
    json.Number(link.line);
    json.Key("column");
    json.Number(link.column);
    if (link.skipped()) {
        const bool scheme = link.kind == LinkTarget::Kind::SkippedScheme;
        json.Key("skipped");
        json.String(scheme ? "scheme" : "excluded");
        json.Key(scheme ? "scheme" : "pattern");
        json.String(link.skipDetail());
        json.EndObject();
        return;
    }
    json.Key("good");
    json.Bool(link.good);
    WriteStatus(json, link.probe());
    WriteRedirects(json, link.probe());
    WriteWarning(json, link.probe());
    if (!link.good)
        WriteWhy(json, link.probe(), link.fragmentMissing);
    json.EndObject();
}

bool WritePage(JsonWriter& json, const RunRecord& record, const PageRecord& page, const ReportSink& write)
{
    json.BeginObject();
    json.Key("url");
    json.String(WithoutPasswords(page.url));
    json.Key("good");
    json.Bool(page.good());
    json.Key("reachable");
    json.Bool(page.reachable);
    json.Key("downloaded");
    json.Bool(page.downloaded);
    WriteStatus(json, page.probe);
    WriteRedirects(json, page.probe);
    WriteWarning(json, page.probe);
    if (!page.reachable) {
        WriteWhy(json, page.probe);
    } else if (!page.downloaded) {
        json.Key("reason");
        json.String("download failed");
    }
    json.Key("links");
    json.BeginArray();
    for (const LinkRecord& link : record.LinksOf(page)) {
        WriteLink(json, link);
        if (!PassOn(json, write))
            return false;
    }
    json.EndArray();
    json.EndObject();
    return true;
}

}  // namespace

bool WriteJsonReport(const RunRecord& record, const RunCounts& counts, const ReportSink& write)
{
    JsonWriter json;
    json.BeginObject();
    json.Key("version");
    json.Number(kVersion);
    json.Key("checked");
    json.Number(counts.checked);
    json.Key("errors");
    json.Number(counts.errors);
    json.Key("badPages");
    json.Number(counts.badPages);
    json.Key("warnings");
    json.Number(counts.warnings);
    json.Key("pages");
    json.BeginArray();
    for (const PageRecord& page : record.pages())
        if (!WritePage(json, record, page, write))
            return false;
    json.EndArray();
    json.EndObject();
    return write(json.TakeText() + "\n");
}

}  // namespace pardovane
