#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace pardovane {

// The URL a <meta http-equiv=refresh> content attribute names, as offset and
// length within content, read as HTML's declarative refresh does: a time
// ("5", "0.5", ".5"), then ";" or "," or whitespace, then the URL, with an
// optional "url=" (any case) and quotes around it. nullopt when the content
// is no valid refresh, or names no URL (a plain reload).
std::optional<std::pair<std::size_t, std::size_t>> RefreshUrl(std::u16string_view content);

}  // namespace pardovane
