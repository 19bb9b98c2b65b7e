#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pardovane {

// Everything one check run shares. Positions are 1-based UTF-16 code units.
struct RunState {
    std::u16string pageUrl;
    std::u16string linkText;
    std::int32_t linkStart = 0;
    std::u16string pageText;
    std::u16string baseUrl;
    std::string pageCharset;  // what pageText was decoded from
    std::int32_t scanPos = 0;
    std::int32_t checkedCount = 0;
    std::int32_t errorCount = 0;
    // The verdict cache: entry i of cacheUrls was judged cacheOk[i]. A deque,
    // so the index below may keep views into the stored texts while it grows.
    std::deque<std::u16string> cacheUrls;
    std::vector<bool> cacheOk;
    bool pageHasError = false;
    std::u16string report;

    // Hash index beside cacheUrls. Entries are unique, so the first match of a
    // linear search is the only match and the index finds the same one.
    std::unordered_map<std::u16string_view, std::size_t> cacheIndex;
};

}  // namespace pardovane
