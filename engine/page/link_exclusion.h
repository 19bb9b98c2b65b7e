#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pardovane {

// Says whether the user asked to leave a link's resolved URL alone, and if so
// which of their patterns matched. An empty function excludes nothing.
using LinkExclusion = std::function<std::optional<std::u16string>(std::u16string_view url)>;

}  // namespace pardovane
