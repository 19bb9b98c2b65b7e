#include "engine/http/request_url.h"

#include "engine/http/wire_origin.h"
#include "engine/page/ascii.h"
#include "engine/page/percent_encoding.h"
#include "engine/page/utf_convert.h"

#include <idn2.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace pardovane {
namespace {

struct Idn2Deleter {
    void operator()(char* text) const { idn2_free(text); }
};

// The ASCII (punycode) form of a host name in any script. Done here rather
// than by curl, whose conversion reads the host in the process's locale and
// so refuses UTF-8 under the C locale.
std::optional<std::string> AsciiHost(std::u16string_view host)
{
    const std::string utf8 = Utf16ToUtf8(host);
    char* out = nullptr;
    int rc = idn2_to_ascii_8z(utf8.c_str(), &out, IDN2_NFC_INPUT | IDN2_NONTRANSITIONAL);
    if (rc == IDN2_DISALLOWED)  // some names are valid only under the older mapping
        rc = idn2_to_ascii_8z(utf8.c_str(), &out, IDN2_NFC_INPUT | IDN2_TRANSITIONAL);
    const std::unique_ptr<char, Idn2Deleter> owned(out);
    if (rc != IDN2_OK || !owned)
        return std::nullopt;
    // The mapping turns full-width "／" or "＠" into "/" or "@", which would
    // move the host's end; only what a host name may hold passes.
    std::string ascii(owned.get());
    for (char c : ascii)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
              || c == '.' || c == '_'))
            return std::nullopt;
    return ascii;
}

// The authority as it goes on the wire: user information and port as
// written, a non-ASCII host name in its ASCII form.
std::optional<std::string> WireAuthority(std::u16string_view authority)
{
    const std::size_t at = authority.rfind(u'@');
    const std::size_t hostStart = at == std::u16string_view::npos ? 0 : at + 1;
    std::size_t hostEnd = authority.size();
    if (authority.substr(hostStart).starts_with(u'[')) {
        hostEnd = authority.size();  // an IPv6 literal is ASCII already
    } else if (const std::size_t colon = authority.find(u':', hostStart);
               colon != std::u16string_view::npos) {
        hostEnd = colon;
    }
    const std::u16string_view host = authority.substr(hostStart, hostEnd - hostStart);
    bool ascii = true;
    for (char16_t c : host)
        ascii = ascii && c < 0x80;
    if (ascii)
        return Utf16ToUtf8(authority);
    std::optional<std::string> converted = AsciiHost(host);
    if (!converted)
        return std::nullopt;
    return Utf16ToUtf8(authority.substr(0, hostStart)) + *converted + Utf16ToUtf8(authority.substr(hostEnd));
}

}  // namespace

std::variant<std::string, HttpFailure> RequestUrlFor(std::u16string_view url)
{
    std::size_t authority;
    if (StartsWithNoCase(url, u"http://"))
        authority = 7;
    else if (StartsWithNoCase(url, u"https://"))
        authority = 8;
    else if (StartsWithNoCase(url, u"file:"))
        return HttpFailure::LocalFile;
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

    std::optional<std::string> wireAuthority = WireAuthority(url.substr(authority, hostEnd - authority));
    if (!wireAuthority)
        return HttpFailure::MalformedUrl;
    std::string out = Utf16ToUtf8(url.substr(0, authority)) + *wireAuthority;
    const std::u16string_view rest = url.substr(hostEnd);
    out.reserve(out.size() + rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const char16_t c = rest[i];
        if (NeverRawInUrl(c)) {
            AppendPercentEncoded(out, std::string(1, static_cast<char>(c)));
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            // Keep a surrogate pair together so it encodes as one character.
            const bool pair = StartsSurrogatePair(rest, i);
            AppendPercentEncoded(out, Utf16ToUtf8(rest.substr(i, pair ? 2 : 1)));
            if (pair)
                ++i;
        }
    }
    return out;
}

std::string RequestHostName(std::u16string_view url)
{
    auto wire = RequestUrlFor(url);
    if (!std::holds_alternative<std::string>(wire))
        return {};
    std::string host = HostKey(std::get<std::string>(wire));
    host.erase(0, host.find("://") + 3);
    if (const std::size_t at = host.rfind('@'); at != std::string::npos)
        host.erase(0, at + 1);
    if (const std::size_t colon = host.rfind(':');
        colon != std::string::npos && host.find(']', colon) == std::string::npos)
        host.erase(colon);
    return host;
}

std::string RequestOrigin(std::u16string_view url)
{
    const auto wire = RequestUrlFor(url);
    return std::holds_alternative<std::string>(wire) ? WireOrigin(std::get<std::string>(wire))
                                                     : std::string();
}

}  // namespace pardovane
