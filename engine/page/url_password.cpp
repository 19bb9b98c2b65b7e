#include "engine/page/url_password.h"

#include "engine/page/ascii.h"

namespace pardovane {
namespace {

// A backslash counts as a slash in an http(s) URL, as browsers read it.
constexpr bool IsSlash(char16_t c)
{
    return c == u'/' || c == u'\\';
}

// "//" opens an authority after a scheme's colon or at the start of a URL,
// not inside a path.
bool OpensAuthority(std::u16string_view text, std::size_t at)
{
    return IsSlash(text[at]) && IsSlash(text[at + 1])
        && (at == 0 || text[at - 1] == u':' || text[at - 1] == u'"' || IsHtmlSpace(text[at - 1]));
}

constexpr bool EndsAuthority(char16_t c)
{
    return IsSlash(c) || c == u'?' || c == u'#' || c == u'"' || c == u'<' || c == u'>' || IsHtmlSpace(c);
}

}  // namespace

void AppendWithoutPasswords(std::u16string& out, std::u16string_view text)
{
    std::size_t copied = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (!OpensAuthority(text, i))
            continue;
        const std::size_t start = i + 2;
        std::size_t end = start;
        while (end < text.size() && !EndsAuthority(text[end]))
            ++end;
        // The last "@" ends the user information, its first ":" the name.
        const std::u16string_view authority = text.substr(start, end - start);
        const std::size_t at = authority.rfind(u'@');
        const std::size_t colon = authority.find(u':');
        constexpr auto kNone = std::u16string_view::npos;
        if (at != kNone && colon != kNone && colon + 1 < at) {
            out.append(text.substr(copied, start + colon + 1 - copied));
            out.append(u"***");
            copied = start + at;
        }
        i = end - 1;
    }
    out.append(text.substr(copied));
}

std::u16string WithoutPasswords(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    AppendWithoutPasswords(out, text);
    return out;
}

}  // namespace pardovane
