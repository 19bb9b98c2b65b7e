#include "cli/json_report.h"

#include "cli/json_writer.h"
#include "engine/page/url_password.h"

namespace pardovane {
namespace {

void WriteStatus(JsonWriter& json, const std::optional<ProbeResult>& probe)
{
    json.Key("status");
    if (probe && probe->status > 0)
        json.Number(probe->status);
    else
        json.Null();
}

// What is known of a bad answer beyond its status.
void WriteWhy(JsonWriter& json, const std::optional<ProbeResult>& probe)
{
    json.Key("failure");
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
    json.Key("url");
    json.String(WithoutPasswords(link.url()));
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
    if (!link.good)
        WriteWhy(json, link.probe());
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
    json.Key("checked");
    json.Number(counts.checked);
    json.Key("errors");
    json.Number(counts.errors);
    json.Key("badPages");
    json.Number(counts.badPages);
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
