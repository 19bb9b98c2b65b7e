#include "engine/request_url.h"

#include "engine/ascii.h"
#include "engine/iconv_decoder.h"
#include "engine/utf_convert.h"

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
    } else if (const std::size_t colon = authority.find(u':', hostStart); colon != std::u16string_view::npos) {
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

// Printable ASCII that RFC 3986 never allows raw; browsers escape these too.
bool NeedsEscape(char16_t c)
{
    return std::u16string_view(u" \"<>\\^`{|}").find(c) != std::u16string_view::npos;
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

bool IsSurrogatePair(std::u16string_view text, std::size_t i)
{
    return text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
        && text[i + 1] <= 0xDFFF;
}

void AppendEscaped(std::u16string& out, std::string_view bytes)
{
    std::string ascii;
    AppendEscaped(ascii, bytes);
    out.append(ascii.begin(), ascii.end());
}

// One character the charset lacks, as HTML forms and browsers write it.
void AppendReference(std::u16string& out, std::u16string_view character)
{
    char32_t c = character[0];
    if (character.size() == 2)
        c = 0x10000 + ((c - 0xD800) << 10) + (character[1] - 0xDC00);
    else if (c >= 0xD800 && c <= 0xDFFF)
        c = 0xFFFD;
    const std::string digits = std::to_string(static_cast<unsigned long>(c));
    AppendEscaped(out, "&#");
    out.append(digits.begin(), digits.end());
    AppendEscaped(out, ";");
}

}  // namespace

std::u16string EncodeQueryIn(std::u16string url, const std::string& charset)
{
    const std::size_t queryEnd = std::min(url.find(u'#'), url.size());
    const std::size_t query = url.find(u'?');
    if (query >= queryEnd || charset.empty() || StartsWithNoCase(charset, "utf"))
        return url;
    std::u16string out = url.substr(0, query);
    for (std::size_t i = query; i < queryEnd;) {
        std::size_t end = i;
        while (end < queryEnd && url[end] >= 0x80)
            ++end;
        if (end == i) {
            out += url[i++];
            continue;
        }
        // A run at once, so a stateful charset shifts once in and once out.
        const std::u16string_view run = std::u16string_view(url).substr(i, end - i);
        if (auto bytes = EncodeWith(charset, run)) {
            AppendEscaped(out, *bytes);
        } else {
            for (std::size_t k = 0; k < run.size();) {
                const std::u16string_view character = run.substr(k, IsSurrogatePair(run, k) ? 2 : 1);
                if (auto one = EncodeWith(charset, character))
                    AppendEscaped(out, *one);
                else
                    AppendReference(out, character);
                k += character.size();
            }
        }
        i = end;
    }
    return out.append(url.substr(queryEnd));
}

std::variant<std::string, HttpFailure> RequestUrlFor(std::u16string_view url)
{
    std::size_t authority;
    if (StartsWithNoCase(url, u"http://"))
        authority = 7;
    else if (StartsWithNoCase(url, u"https://"))
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

    std::optional<std::string> wireAuthority = WireAuthority(url.substr(authority, hostEnd - authority));
    if (!wireAuthority)
        return HttpFailure::MalformedUrl;
    std::string out = Utf16ToUtf8(url.substr(0, authority)) + *wireAuthority;
    const std::u16string_view rest = url.substr(hostEnd);
    out.reserve(out.size() + rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const char16_t c = rest[i];
        if (NeedsEscape(c)) {
            AppendEscaped(out, std::string(1, static_cast<char>(c)));
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            // Keep a surrogate pair together so it encodes as one character.
            const bool pair = IsSurrogatePair(rest, i);
            AppendEscaped(out, Utf16ToUtf8(rest.substr(i, pair ? 2 : 1)));
            if (pair)
                ++i;
        }
    }
    return out;
}

}  // namespace pardovane
