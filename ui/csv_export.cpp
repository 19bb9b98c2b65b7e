#include "ui/csv_export.h"

#include <QAbstractItemModel>

namespace pardovane {
namespace {

// A spreadsheet runs a cell that begins like a formula; a hostile page's
// link text must stay text, so such a field gets an apostrophe first.
bool LooksLikeFormula(const QString& field)
{
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    return !field.isEmpty() && kFormulaStarts.contains(field.front());
}

void AppendField(QString& out, const QString& value)
{
    const QString field = LooksLikeFormula(value) ? u'\'' + value : value;
    const bool quoted
        = field.contains(u'"') || field.contains(u',') || field.contains(u'\n') || field.contains(u'\r');
    if (!quoted) {
        out += field;
        return;
    }
    QString escaped = field;
    escaped.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    out += u'"' + escaped + u'"';
}

}  // namespace

QByteArray TableAsCsv(const QAbstractItemModel& table)
{
    QString text;
    const int columns = table.columnCount();
    for (int column = 0; column < columns; ++column) {
        if (column > 0)
            text += u',';
        AppendField(text, table.headerData(column, Qt::Horizontal).toString());
    }
    text += QStringLiteral("\r\n");
    for (int row = 0; row < table.rowCount(); ++row) {
        for (int column = 0; column < columns; ++column) {
            if (column > 0)
                text += u',';
            AppendField(text, table.index(row, column).data().toString());
        }
        text += QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

}  // namespace pardovane
