#include "engine/report/github_report.h"

#include "engine/page/url_password.h"
#include "engine/page/utf_convert.h"
#include "engine/report/finding_kind.h"
#include "engine/report/written_place.h"

namespace pardovane {
namespace {

void WriteCommand(std::string& out, FindingKind kind, const WrittenPlace& place,
                  const std::u16string& message)
{
    out += IsWarning(kind) ? "::warning " : "::error ";
    std::u16string text = message;
    if (!place.file.empty()) {
        out += "file=" + WorkflowCommandEscaped(place.file, true);
        if (place.line > 0)
            out += ",line=" + std::to_string(place.line) + ",col=" + std::to_string(place.column);
        out += ',';
    } else {
        text = place.Text() + u": " + text;
    }
    out += "title=" + WorkflowCommandEscaped(Utf8ToUtf16(TitleOf(kind)), true)
        + "::" + WorkflowCommandEscaped(text, false) + "\n";
}

}  // namespace

std::string WorkflowCommandEscaped(std::u16string_view text, bool property)
{
    std::string out;
    for (const char c : Utf16ToUtf8(text)) {
        switch (c) {
        case '%':
            out += "%25";
            break;
        case '\r':
            out += "%0D";
            break;
        case '\n':
            out += "%0A";
            break;
        case ':':
            out += property ? "%3A" : ":";
            break;
        case ',':
            out += property ? "%2C" : ",";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool WriteGithubReport(const RunRecord& record, const ReportSink& write)
{
    std::string out;
    for (const PageRecord& page : record.pages()) {
        const WrittenPlace pagePlace{WithoutPasswords(page.url), page.file};
        for (const auto& [kind, text] : PageFindings(page))
            WriteCommand(out, kind, pagePlace, text);
        for (const LinkRecord& link : record.LinksOf(page)) {
            if (link.broken() || link.warned())
                WriteCommand(out, KindOf(link), PlaceOf(page, link), FindingText(page, link));
            if (!PassOn(out, write))
                return false;
        }
    }
    return PassOn(out, write, true);
}

}  // namespace pardovane
