#include "engine/page/source_lines.h"

#include <algorithm>

namespace pardovane {
namespace {

bool Continues(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// UTF-16 units of the code point a lead byte starts.
std::size_t Units(char lead)
{
    return (static_cast<unsigned char>(lead) & 0xF8) == 0xF0 ? 2 : 1;
}

}  // namespace

SourceLines::SourceLines(std::string_view utf8) : text_(utf8)
{
    std::size_t units = 0;
    std::size_t start = 0;
    std::size_t lineUnits = 0;
    for (std::size_t i = 0;; ++i) {
        const bool last = i >= utf8.size();
        if (!last && utf8[i] != '\n' && utf8[i] != '\r') {
            if (!Continues(utf8[i]))
                units += Units(utf8[i]);
            continue;
        }
        starts_.push_back(start);
        ends_.push_back(i);
        units_.push_back(lineUnits);
        if (last)
            break;
        const bool crlf = utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n';
        units += crlf ? 2 : 1;
        i += crlf ? 1 : 0;
        start = i + 1;
        lineUnits = units;
    }
}

std::string_view SourceLines::Line(std::uint32_t line) const
{
    if (line < 1 || line > count())
        return {};
    return text_.substr(starts_[line - 1], ends_[line - 1] - starts_[line - 1]);
}

std::size_t SourceLines::ByteAt(std::uint32_t line, std::uint32_t column) const
{
    line = std::clamp<std::uint32_t>(line, 1, count());
    const std::size_t start = starts_[line - 1];
    return std::min(start + (column > 0 ? column - 1 : 0), ends_[line - 1]);
}

SourcePlace SourceLines::PlaceOf(std::size_t byte) const
{
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), byte);
    const std::size_t index = static_cast<std::size_t>(after - starts_.begin()) - 1;
    SourcePlace place{units_[index], static_cast<std::uint32_t>(index + 1), 1};
    for (std::size_t b = starts_[index]; b < byte && b < text_.size(); ++b) {
        if (Continues(text_[b]))
            continue;
        place.offset += Units(text_[b]);
        ++place.column;
    }
    return place;
}

}  // namespace pardovane
