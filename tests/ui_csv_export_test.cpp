#include "ui/csv_export.h"

#include <QStandardItemModel>

#include <gtest/gtest.h>

namespace pardovane {
namespace {

// Link texts come from the pages checked: none may become a formula, break
// out of its field or lose a character.
TEST(CsvExportTest, FieldsStayTextWhateverTheyHold)
{
    const QStringList cells{QStringLiteral("=HYPERLINK(\"http://x/\",\"y\")"),
                            QStringLiteral("+1"),
                            QStringLiteral("-1"),
                            QStringLiteral("@SUM(A1)"),
                            QStringLiteral("a,b"),
                            QStringLiteral("two\nlines"),
                            QStringLiteral("日本 a=b")};
    QStandardItemModel table(1, static_cast<int>(cells.size()));
    for (int column = 0; column < cells.size(); ++column) {
        table.setHorizontalHeaderItem(column, new QStandardItem(QString::number(column)));
        table.setItem(0, column, new QStandardItem(cells[column]));
    }
    EXPECT_EQ(
        TableAsCsv(table),
        QByteArray("\xEF\xBB\xBF"
                   "0,1,2,3,4,5,6\r\n"
                   "\"'=HYPERLINK(\"\"http://x/\"\",\"\"y\"\")\",'+1,'-1,'@SUM(A1),\"a,b\",\"two\nlines\","
                   "\xE6\x97\xA5\xE6\x9C\xAC a=b\r\n"));
}

}  // namespace
}  // namespace pardovane
