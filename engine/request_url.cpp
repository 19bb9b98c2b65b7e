#include "request_url.h"

#include "utf_convert.h"

namespace pardovane {
namespace {

bool SchemeIs(std::u16string_view url, std::u16string_view scheme)
{
    if (url.size() < scheme.size())
        return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        char16_t c = url[i];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != scheme[i])
            return false;
    }
    return true;
}

void AppendEscaped(std::string& out, std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (unsigned char byte : bytes) {
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 0x0F];
    }
}

}  // namespace

std::variant<std::string, HttpFailure> RequestUrlFor(std::u16string_view url)
{
    std::size_t authority;
    if (SchemeIs(url, u"http://"))
        authority = 7;
    else if (SchemeIs(url, u"https://"))
        authority = 8;
    else
        return HttpFailure::RefusedScheme;

    for (char16_t c : url)
        if (c < 0x20 || c == 0x7F)
            return HttpFailure::MalformedUrl;

    std::size_t hostEnd = url.find_first_of(u"/?#", authority);
    if (hostEnd == std::u16string_view::npos)
        hostEnd = url.size();
    if (hostEnd == authority)
        return HttpFailure::MalformedUrl;

    std::string out = Utf16ToUtf8(url.substr(0, hostEnd));
    const std::u16string_view rest = url.substr(hostEnd);
    out.reserve(out.size() + rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const char16_t c = rest[i];
        if (c == u' ') {
            out += "%20";
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            // Keep a surrogate pair together so it encodes as one character.
            const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < rest.size()
                && rest[i + 1] >= 0xDC00 && rest[i + 1] <= 0xDFFF;
            AppendEscaped(out, Utf16ToUtf8(rest.substr(i, pair ? 2 : 1)));
            if (pair)
                ++i;
        }
    }
    return out;
}

}  // namespace pardovane
