#pragma once

#include <QByteArray>

class QAbstractItemModel;

namespace pardovane {

// A table's header and rows as CSV (RFC 4180: CR LF line ends, fields
// quoted where they hold a quote, a comma or a line end) in UTF-8 with a
// byte-order mark, by which spreadsheet programs know to read it as UTF-8.
// A field that begins with = + - @, a tab or a CR is written after an
// apostrophe, so that a spreadsheet shows it rather than runs it.
QByteArray TableAsCsv(const QAbstractItemModel& table);

}  // namespace pardovane
