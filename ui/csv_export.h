#pragma once

#include <QByteArray>

class QAbstractItemModel;

namespace pardovane {

// A table's header and rows as CSV (RFC 4180: CR LF line ends, fields
// quoted where they hold a quote, a comma or a line end) in UTF-8 with a
// byte-order mark, by which spreadsheet programs know to read it as UTF-8.
QByteArray TableAsCsv(const QAbstractItemModel& table);

}  // namespace pardovane
