#include "link_resolution.h"

namespace pardovane {

bool IsAbsoluteLink(std::u16string_view link)
{
    return link.find(u':') != std::u16string_view::npos;
}

bool IsMailtoLink(std::u16string_view link)
{
    constexpr std::u16string_view kScheme = u"mailto:";
    if (link.size() < kScheme.size())
        return false;
    for (std::size_t k = 0; k < kScheme.size(); ++k) {
        char16_t c = link[k];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + (u'a' - u'A'));
        if (c != kScheme[k])
            return false;
    }
    return true;
}

std::u16string ResolveLink(std::u16string_view baseUrl, std::u16string_view link)
{
    std::u16string s;
    s.reserve(baseUrl.size() + link.size());
    s.append(baseUrl).append(link);
    // Every removal starts at a "./", so most links need no pass at all.
    if (s.find(u"./") == std::u16string::npos)
        return s;

    // Compacted in place: s[0, w) holds the positions already passed, s[r, n)
    // what is still ahead, so the position under test is w + 1 and a removal
    // only moves r. w never overtakes r.
    const std::size_t n = s.size();
    std::size_t w = 0;
    std::size_t r = 0;
    auto pass = [&](std::size_t count) {
        for (; count > 0 && r < n; --count)
            s[w++] = s[r++];
    };
    while (r < n) {
        const std::u16string_view ahead(s.data() + r, n - r);
        if (ahead.starts_with(u"../")) {
            const std::size_t position = w + 1;
            // The "/" is sought among all but the last character passed. Every
            // character that search reads is then cut off, so it stays linear.
            const std::u16string_view before(s.data(), w > 0 ? w - 1 : 0);
            const std::size_t slash = before.rfind(u'/');
            w = slash == std::u16string_view::npos ? 0 : slash + 1;
            r += 3;
            // What now fills positions w + 1 up to this one is not tested.
            pass(position - w);
        } else if (ahead.starts_with(u"./")) {
            r += 2;
            pass(1);
        } else {
            pass(1);
        }
    }
    s.resize(w);
    return s;
}

}  // namespace pardovane
