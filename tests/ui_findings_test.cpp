#include "tests/generated_site.h"
#include "tests/local_server.h"
#include "tests/python_runner.h"
#include "tests/run_command.h"
#include "tests/scoped_env.h"
#include "tests/temp_dir.h"
#include "tests/ui_controls.h"
#include "ui/findings_model.h"
#include "ui/findings_tab.h"
#include "ui/form1.h"
#include "ui/qt_text.h"
#include "ui/workbench_texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace pardovane {
namespace {

using test::FindControl;

// The findings the command's JSON holds, a line each as RowLines writes
// the window's: page, link, kind, URL, the reason in the report's words and
// where the link stands.
constexpr const char* kJsonFindings = R"(import json, sys
doc = json.load(open(sys.argv[1], encoding='utf-8'))
for page in doc['pages']:
    url = page['url']
    if not page['reachable'] or not page['downloaded']:
        print('\t'.join([url, '', 'page', url, page['reason'], '']))
    elif 'warning' in page:
        print('\t'.join([url, '', 'page', url, page['warning'], '']))
    for link in page['links']:
        if 'skipped' in link:
            continue
        why = link.get('reason') if not link['good'] else link.get('warning')
        if why is not None:
            place = '%d:%d' % (link['line'], link['column'])
            print('\t'.join([url, link['link'], link['kind'], link['url'], why, place]))
)";

// Every row of the CSV, each field as its code points, a line a row.
constexpr const char* kCsvRows = R"(import csv, sys
raw = open(sys.argv[1], 'rb').read()
assert raw.startswith(b'\xef\xbb\xbf'), 'no byte-order mark'
def code_points(text):
    return ' '.join('%04X' % ord(c) for c in text)
with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:
    for row in csv.reader(f):
        print('\t'.join(code_points(field) for field in row))
)";

std::string RowLines(const QAbstractItemModel& rows)
{
    std::string lines;
    for (int row = 0; row < rows.rowCount(); ++row) {
        const auto cell = [&](int column, int role = Qt::DisplayRole) {
            return rows.index(row, column).data(role).toString();
        };
        const QString kind = cell(FindingsModel::Kind);
        lines += QStringList{cell(FindingsModel::Page),
                             cell(FindingsModel::Link),
                             kind == ToQString(texts::kPageKind) ? QStringLiteral("page") : kind,
                             cell(FindingsModel::Url),
                             cell(0, FindingsModel::kReportReasonRole),
                             cell(FindingsModel::Place)}
                     .join(u'\t')
                     .toStdString()
            + "\n";
    }
    return lines;
}

class FindingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.SetMessageBoxRunner([this](QMessageBox& box) {
            messages += box.text() + u'\n';
            box.button(QMessageBox::Ok)->click();
        });
        tab().SetDialogRunner([this](QDialog& dialog) {
            auto& files = dynamic_cast<QFileDialog&>(dialog);
            files.selectFile(QString::fromStdString(saved.string()));
            QMetaObject::invokeMethod(&files, "accept");
        });
        form.show();
    }

    FindingsTab& tab() { return FindControl<FindingsTab>(form, "FindingsTab"); }
    const QAbstractItemModel& rows() { return tab().shownRows(); }
    void Click(const char* name) { QTest::mouseClick(&FindControl<QPushButton>(form, name), Qt::LeftButton); }

    test::TempDir dir;
    std::filesystem::path listFile = dir.path() / "HtmlURL.txt";
    std::filesystem::path saved = dir.path() / "saved";
    Form1 form{listFile};
    QString messages;
};

class FindingsDifferential : public FindingsTest, public ::testing::WithParamInterface<unsigned> { };

// The list holds what the command's JSON calls broken or warned, row for
// row, and the rows come while the run is still on.
TEST_P(FindingsDifferential, RowsAreTheCommandsFindingsAndComeDuringTheRun)
{
    test::LocalServer server;
    server.Start();
    test::GeneratedSite site(GetParam());
    site.Generate(server.Url());
    site.Serve(server);
    dir.Write("HtmlURL.txt", site.List(server.Url()));

    bool rowDuringRun = false;
    QObject::connect(&rows(), &QAbstractItemModel::rowsInserted, [this, &rowDuringRun] {
        rowDuringRun = rowDuringRun || !FindControl<QPushButton>(form, "Command1").isEnabled();
    });
    Click("Command1");
    const auto command = test::RunCommand(test::ShellQuote(PARDOVANE_CHECK_BINARY) + " -f json "
                                          + test::ShellQuote(listFile.string()));
    const auto expected = test::RunPython(kJsonFindings, command.out);
    ASSERT_EQ(expected.exitCode, 0) << expected.err;
    EXPECT_EQ(RowLines(rows()), expected.out);
    EXPECT_NE(expected.out, "");
    EXPECT_TRUE(rowDuringRun);
}

INSTANTIATE_TEST_SUITE_P(Seeds, FindingsDifferential, ::testing::Values(1u, 2u, 3u));

class FindingsOfOneSite : public FindingsTest {
protected:
    void SetUp() override
    {
        FindingsTest::SetUp();
        server.Page("/good.html", "<a href=\"/good.html\">self</a>");
        server.Page("/links.html",
                    "<p>\n<a href=\"/gone\">gone</a>\n<a href=\"/also-gone\">also</a>\n"
                    "<a href=\"/links.html\">self</a></p>");
        server.Status("/gone", 404);
        server.Status("/also-gone", 410);
        server.Status("/missing.html", 404);
        server.Start();
        dir.Write("HtmlURL.txt",
                  server.Url("/good.html") + "\r\n" + server.Url("/links.html") + "\r\n"
                      + server.Url("/missing.html") + "\r\n");
        Click("Command1");
    }

    std::vector<QString> Column(int column)
    {
        std::vector<QString> cells;
        for (int row = 0; row < rows().rowCount(); ++row)
            cells.push_back(rows().index(row, column).data().toString());
        return cells;
    }

    test::LocalServer server;
};

TEST_F(FindingsOfOneSite, SortsByAColumnAndFiltersByText)
{
    auto& table = FindControl<QTableView>(form, "Findings");
    table.sortByColumn(FindingsModel::Url, Qt::DescendingOrder);
    EXPECT_EQ(Column(FindingsModel::Url),
              (std::vector<QString>{QString::fromStdString(server.Url("/missing.html")),
                                    QString::fromStdString(server.Url("/gone")),
                                    QString::fromStdString(server.Url("/also-gone"))}));
    FindControl<QLineEdit>(form, "FindingsFilter").setText(QStringLiteral("(410)"));
    EXPECT_EQ(Column(FindingsModel::Link), std::vector<QString>{QStringLiteral("/also-gone")});
}

TEST_F(FindingsOfOneSite, CsvIsTheShownRowsWithAByteOrderMark)
{
    Click("ExportCsv");
    std::string expected;
    const auto line = [&expected](const QStringList& fields) {
        QStringList points;
        for (const QString& field : fields)
            points << QString::fromStdString(test::CodePoints(field.toStdU16String()));
        expected += points.join(u'\t').toStdString() + "\n";
    };
    QStringList header;
    for (int column = 0; column < rows().columnCount(); ++column)
        header << rows().headerData(column, Qt::Horizontal).toString();
    line(header);
    for (int row = 0; row < rows().rowCount(); ++row) {
        QStringList fields;
        for (int column = 0; column < rows().columnCount(); ++column)
            fields << rows().index(row, column).data().toString();
        line(fields);
    }
    std::ifstream in(saved, std::ios::binary);
    const auto read = test::RunPython(kCsvRows, std::string(std::istreambuf_iterator<char>(in), {}));
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.out, expected);
    EXPECT_EQ(rows().rowCount(), 3);
}

// The source view opens on the link's line, marked, among its neighbours;
// a link in a stylesheet, whose place is the stylesheet's, is named there.
TEST_F(FindingsTest, SourceShowsTheLinksLineOrWhereInTheStylesheetItIs)
{
    test::LocalServer server;
    server.Page("/page.html",
                "<html>\n<link rel=stylesheet href=\"s.css\">\n<p>\n<a href=\"/gone\">gone</a>\n");
    server.Page("/s.css", "body {\n  background: url(missing.png);\n}\n", "text/css");
    server.Start();
    dir.Write("HtmlURL.txt", server.Url("/page.html") + "\n");
    std::filesystem::create_directory(dir.path() / "pardovane");
    dir.Write("pardovane/config.toml", "resources = true\n");
    const test::ScopedEnv home("XDG_CONFIG_HOME", dir.path().c_str());
    QString shown;
    tab().SetDialogRunner([&shown](QDialog& dialog) {
        shown = FindControl<QPlainTextEdit>(dialog, "SourceText").toPlainText();
    });
    Click("Command1");
    ASSERT_EQ(rows().rowCount(), 2);
    for (int row = 0; row < rows().rowCount(); ++row) {
        const auto menu = tab().CreateRowMenu(row);
        for (QAction* action : menu->actions())
            if (action->text() == ToQString(texts::kShowSource))
                action->trigger();
    }
    EXPECT_EQ(shown,
              "  1 | <html>\n  2 | <link rel=stylesheet href=\"s.css\">\n  3 | <p>\n"
              "> 4 | <a href=\"/gone\">gone</a>\n  5 | \n");
    EXPECT_EQ(messages,
              ToQString(texts::kSourceInSheet) + "\n" + QString::fromStdString(server.Url("/s.css"))
                  + " 2:19\n");
}

TEST_F(FindingsOfOneSite, RecheckReadsOnlyThePagesWithProblems)
{
    const int goodHits = server.Hits("/good.html");
    Click("Recheck");
    const QString report = FindControl<QPlainTextEdit>(form, "Text1").toPlainText();
    EXPECT_TRUE(report.contains(QStringLiteral("/links.html"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("/missing.html")));
    EXPECT_FALSE(report.contains(QStringLiteral("/good.html\n")));
    // The good page, linked from no other, is asked for by the first run alone.
    EXPECT_GT(goodHits, 0);
    EXPECT_EQ(server.Hits("/good.html"), goodHits);
    EXPECT_EQ(rows().rowCount(), 3);
}

}  // namespace
}  // namespace pardovane
