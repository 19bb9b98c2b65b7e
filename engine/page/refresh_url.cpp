#include "engine/page/refresh_url.h"

#include "engine/page/ascii.h"

#include <algorithm>

namespace pardovane {

std::optional<std::pair<std::size_t, std::size_t>> RefreshUrl(std::u16string_view content)
{
    std::size_t i = 0;
    auto at = [&](std::size_t k) { return k < content.size() ? content[k] : u'\0'; };
    auto skipSpace = [&] {
        while (i < content.size() && IsHtmlSpace(content[i]))
            ++i;
    };
    auto skipLetter = [&](char16_t lower) {
        if (AsciiLower(at(i)) != lower)
            return false;
        ++i;
        return true;
    };

    skipSpace();
    // The time: digits, or at least a dot to start it; what follows of
    // digits and dots only has to be there.
    if (!IsAsciiDigit(at(i)) && at(i) != u'.')
        return std::nullopt;
    while (IsAsciiDigit(at(i)) || at(i) == u'.')
        ++i;
    if (i == content.size())
        return std::nullopt;
    if (at(i) != u';' && at(i) != u',' && !IsHtmlSpace(at(i)))
        return std::nullopt;
    skipSpace();
    if (at(i) == u';' || at(i) == u',')
        ++i;
    skipSpace();

    // "url =" is optional, and a partial match is the start of the URL.
    const std::size_t urlStart = i;
    bool skipQuotes = true;
    if (skipLetter(u'u')) {
        skipQuotes = skipLetter(u'r') && skipLetter(u'l');
        if (skipQuotes) {
            skipSpace();
            skipQuotes = at(i) == u'=';
            if (skipQuotes) {
                ++i;
                skipSpace();
            }
        }
    }
    std::size_t start = urlStart;
    std::size_t end = content.size();
    if (skipQuotes) {
        start = i;
        const char16_t quote = at(i);
        if (quote == u'"' || quote == u'\'') {
            ++start;
            end = std::min(content.find(quote, start), end);
        }
    }
    // A URL of spaces and controls alone resolves to the page itself.
    std::size_t firstMeaningful = start;
    while (firstMeaningful < end && content[firstMeaningful] <= u' ')
        ++firstMeaningful;
    if (firstMeaningful == end)
        return std::nullopt;
    return std::pair{start, end - start};
}

}  // namespace pardovane
