#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace pardovane {

// One image candidate of a srcset value: where its URL is written.
struct SrcsetCandidate {
    std::size_t offset = 0;
    std::size_t length = 0;
};

// The URLs of the candidates a browser would consider, as HTML parses a
// srcset attribute: candidates end at a comma after the URL's descriptors
// (never at one inside parentheses), a URL loses its trailing commas, and a
// candidate whose descriptors do not make sense ("50w 1x", "0w", "2y") is
// dropped, since no browser loads it. Offsets index value as passed.
std::vector<SrcsetCandidate> SrcsetUrls(std::u16string_view value);

}  // namespace pardovane
