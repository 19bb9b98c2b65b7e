#include "tests/local_server.h"
#include "tests/run_command.h"
#include "tests/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace pardovane {
namespace {

using test::ShellQuote;

// Every finding's place in every format, one "document:line:column" line
// each, sorted, and each checked against the bytes of its file: the link as
// the JSON writes it begins there. The SARIF log must pass its schema.
constexpr const char* kPlaces = R"(
import json, re, sys, xml.etree.ElementTree as ET, jsonschema
work, schema_path = sys.argv[1], sys.argv[2]
def doc(name):
    return re.sub(r'^[a-z]+://[^/]*/', '', name).removeprefix('site/')
def at(name, line, column):
    text = open(f'{work}/site/{doc(name)}', 'rb').read().decode()
    return re.split('\r\n|\r|\n', text)[int(line) - 1][int(column) - 1:]
out = {}
run = json.load(open(f'{work}/out.json'))
for page in run['pages']:
    for link in page['links']:
        if not link.get('good', True):
            where = link.get('stylesheet', page['url'])
            first_line = re.split('\r\n|\r|\n', link['link'])[0]
            assert at(where, link['line'], link['column']).startswith(first_line), link
            assert 'site.invalid' not in link['url'], link
            out.setdefault('json', []).append(f"{doc(where)}:{link['line']}:{link['column']}")
sarif = json.load(open(f'{work}/out.sarif'))
for error in jsonschema.Draft4Validator(json.load(open(schema_path))).iter_errors(sarif):
    print('sarif schema:', error.json_path, error.message)
for result in sarif['runs'][0]['results']:
    place = result['locations'][0]['physicalLocation']
    out.setdefault('sarif', []).append(
        f"{doc(place['artifactLocation']['uri'])}:{place['region']['startLine']}:{place['region']['startColumn']}")
for line in open(f'{work}/github.txt', newline='').read().splitlines():
    file = re.match(r'::error (?:file=([^,]*),line=(\d+),col=(\d+),)?title=[^:]*::(?:(.*?):(\d+):(\d+): )?', line)
    groups = [g for g in file.groups() if g] if file else [line]
    out.setdefault('github', []).append(':'.join([doc(groups[0])] + groups[1:3]))
for case in ET.parse(f'{work}/out.xml').iter('testcase'):
    for failure in case.iter('failure'):
        where = re.search(r'^at: (.*)$', failure.text, re.M).group(1)
        name, line, column = where.rsplit(':', 2)
        out.setdefault('junit', []).append(f'{doc(name)}:{line}:{column}')
for row in open(f'{work}/out.md').read().splitlines():
    if row.startswith('| `'):
        where = re.search(r'`([^`]*)`', row.split(' | ')[1]).group(1)
        name, line, column = where.rsplit(':', 2)
        out.setdefault('markdown', []).append(f'{doc(name)}:{line}:{column}')
for format, places in sorted(out.items()):
    print(format, ' '.join(sorted(places)))
)";

// How many errors the SARIF validator's own log holds.
constexpr const char* kErrorsFound
    = "import json\n"
      "log = json.load(open('v.sarif', encoding='utf-8-sig'))\n"
      "print(sum(r.get('level') == 'error' for run in log['runs'] for r in run['results']))";

constexpr const char* kIndex
    = "<html>\r\n<body>\n<a\n  href=\"gone.html\">x</a> <img src=\"\xe6\x97\xa5\xe6\x9c\xac.png\">\r"
      "<link rel=stylesheet href=\"s.css\">\n<p><a href=\"ok.html#nowhere\">y</a>\n"
      "<a href=\"x%0A::error::y.html\">z</a><a href=\"./a\n::error::b\">w</a>\n";
constexpr const char* kSheet = "body {\n  background: url(missing.png);\n}\n";

// The same site as a folder and served: each finding at the same place in
// every format, the hostile link texts one annotation each.
TEST(CheckCommandFindings, EveryFormatPlacesEachFindingWhereItsBytesAre)
{
    test::TempDir work;
    std::filesystem::create_directory(work.path() / "site");
    work.Write("site/index.html", kIndex);
    work.Write("site/s.css", kSheet);
    work.Write("site/ok.html", "<p>ok</p>");
    test::LocalServer server;
    server.Page("/site/index.html", kIndex);
    server.Page("/site/s.css", kSheet, "text/css");
    server.Page("/site/ok.html", "<p>ok</p>");
    server.Start();
    const std::string script = work.Write("places.py", kPlaces).string();
    const auto InWork = [&work](const std::string& command) {
        return test::RunCommand(
            "sh -c " + ShellQuote("cd " + ShellQuote(work.path().string()) + " && " + command), 120);
    };
    const std::string expected = "index.html:4:36 index.html:4:9 index.html:6:13 index.html:7:10 "
                                 "index.html:7:45 s.css:2:19\n";
    std::string everyFormat;
    for (const char* format : {"github", "json", "junit", "markdown", "sarif"})
        everyFormat.append(format).append(" ").append(expected);
    for (const std::string& pages : {std::string("site"), server.Url("/site/index.html")}) {
        const auto run = InWork(ShellQuote(PARDOVANE_CHECK_BINARY)
                                + " --resources --fragments"
                                  " -o json=out.json -o sarif=out.sarif -o junit=out.xml -o markdown=out.md"
                                  " -o github=- "
                                + ShellQuote(pages));
        ASSERT_EQ(run.exitCode, 1) << run.err;
        work.Write("github.txt", run.out);
        const auto places
            = test::RunCommand("python3 " + ShellQuote(script) + " " + ShellQuote(work.path().string()) + " "
                               + ShellQuote(PARDOVANE_SARIF_SCHEMA));
        EXPECT_EQ(places.out, everyFormat) << pages << "\n" << places.err;
        // A real consumer of SARIF, where one is installed (scripts/setup.sh).
        if (InWork("command -v sarif-multitool").exitCode == 0) {
            const auto validated
                = InWork("rm -f v.sarif && sarif-multitool validate out.sarif --output v.sarif"
                         " && python3 -c "
                         + ShellQuote(kErrorsFound));
            EXPECT_EQ(validated.out.substr(validated.out.rfind('\n', validated.out.size() - 2) + 1), "0\n")
                << validated.out;
        }
    }
}

}  // namespace
}  // namespace pardovane
