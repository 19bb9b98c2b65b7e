#pragma once

#include <QString>
#include <QStringView>

#include <string_view>

// The engine's UTF-16 text and Qt's share their code units; only the
// container changes at this edge.
namespace pardovane {

inline QString ToQString(std::u16string_view text)
{
    return QStringView(text.data(), static_cast<qsizetype>(text.size())).toString();
}

}  // namespace pardovane
