#pragma once

// Slow, literal models of the scanner and of link resolution: every position
// is visited and every text rebuilt, exactly as the rules read. The engine's
// versions skip ahead and compact in place; the fuzzers hold them to these.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pardovane::reference {

// (linkStart, scanPos) of every value that closes, both 1-based.
inline std::vector<std::pair<std::size_t, std::size_t>> ScanSpans(std::u16string_view text)
{
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    const std::size_t length = text.size();
    int state = 0;
    std::size_t linkStart = 0;
    for (std::size_t scanPos = 1; scanPos <= length; ++scanPos) {
        char16_t window[10];
        const std::u16string_view from = text.substr(scanPos - 1, 10);
        for (std::size_t k = 0; k < from.size(); ++k)
            window[k] = from[k] >= u'A' && from[k] <= u'Z' ? static_cast<char16_t>(from[k] - u'A' + u'a')
                                                          : from[k];
        const std::u16string_view w(window, from.size());
        switch (state) {
        case 0:
            if (w.starts_with(u"<a "))
                state = 1;
            else if (w.starts_with(u"<img "))
                state = 11;
            else if (w.starts_with(u"<!--"))
                state = 20;
            break;
        case 1:
            if (w.starts_with(u"href=\"")) {
                state = 2, linkStart = scanPos + 6, scanPos += 6;
            } else if (w.starts_with(u"href=")) {
                state = 2, linkStart = scanPos + 5;
            } else if (w.starts_with(u">")) {
                state = 0;
            }
            break;
        case 11:
            if (w.starts_with(u"src=\"")) {
                state = 12, linkStart = scanPos + 5, scanPos += 5;
            } else if (w.starts_with(u"src=")) {
                state = 12, linkStart = scanPos + 4;
            } else if (w.starts_with(u">")) {
                state = 0;
            }
            break;
        case 2:
        case 12:
            if (w.starts_with(u" ") || w.starts_with(u"\"") || w.starts_with(u">")) {
                state = 0;
                spans.emplace_back(linkStart, scanPos);
            }
            break;
        case 20:
            if (w.starts_with(u"-->"))
                state = 0;
            break;
        }
    }
    return spans;
}

inline std::u16string ResolveLink(std::u16string_view baseUrl, std::u16string_view link)
{
    std::u16string s = std::u16string(baseUrl) + std::u16string(link);
    const std::size_t length = s.size();  // fixed, although s shrinks
    for (std::size_t i = 1; i <= length; ++i) {
        const std::u16string_view at = i <= s.size() ? std::u16string_view(s).substr(i - 1)
                                                     : std::u16string_view();
        if (at.starts_with(u"../")) {
            // The last "/" among the first i - 2 characters; none before i = 3.
            std::size_t keep = 0;
            if (i >= 3) {
                const std::size_t slash = std::u16string_view(s).substr(0, i - 2).rfind(u'/');
                keep = slash == std::u16string_view::npos ? 0 : slash + 1;
            }
            s = s.substr(0, keep) + s.substr(i + 2);
        } else if (at.starts_with(u"./")) {
            s = s.substr(0, i - 1) + s.substr(i + 1);
        }
    }
    return s;
}

inline bool IsMailto(std::u16string_view link)
{
    std::u16string head(link.substr(0, 7));
    for (char16_t& c : head)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return head == u"mailto:";
}

// The URLs a scan probes, in page order, built from the two models above.
inline std::vector<std::u16string> ProbedUrls(std::u16string_view text, std::u16string_view baseUrl)
{
    std::vector<std::u16string> urls;
    for (const auto& [linkStart, scanPos] : ScanSpans(text)) {
        const std::u16string_view link = text.substr(linkStart - 1, scanPos - linkStart);
        if (link.find(u':') == std::u16string_view::npos)
            urls.push_back(ResolveLink(baseUrl, link));
        else if (!IsMailto(link))
            urls.emplace_back(link);
    }
    return urls;
}

}  // namespace pardovane::reference
