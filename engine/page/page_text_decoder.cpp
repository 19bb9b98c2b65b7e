#include "engine/page/page_text_decoder.h"

#include "engine/page/ascii.h"
#include "engine/page/iconv_decoder.h"
#include "engine/page/markdown_page.h"
#include "engine/page/utf_convert.h"

#include <algorithm>
#include <array>
#include <utility>

namespace pardovane {
namespace {

// How far into the page a meta charset is looked for.
constexpr std::size_t kMetaWindow = 4096;

bool IsLabelChar(char c)
{
    return IsAsciiAlpha(c) || IsAsciiDigit(c) || c == '-' || c == '_' || c == '.' || c == ':';
}

// The label after the first "charset=" in text, quotes and blanks skipped.
std::string_view CharsetParameter(std::string_view text, const std::string& lowered)
{
    const auto at = lowered.find("charset=");
    if (at == std::string::npos)
        return {};
    std::size_t begin = at + 8;
    while (begin < text.size() && (text[begin] == '"' || text[begin] == '\'' || text[begin] == ' '))
        ++begin;
    std::size_t end = begin;
    while (end < text.size() && IsLabelChar(text[end]))
        ++end;
    return text.substr(begin, end - begin);
}

std::string_view BomCharset(std::string_view body)
{
    if (body.starts_with("\xEF\xBB\xBF"))
        return "UTF-8";
    if (body.starts_with("\xFF\xFE"))
        return "UTF-16LE";
    if (body.starts_with("\xFE\xFF"))
        return "UTF-16BE";
    return {};
}

std::size_t BomLength(std::string_view body, const std::string& charset)
{
    const std::string_view bom = BomCharset(body);
    if (bom.empty() || bom != charset)
        return 0;
    return bom == "UTF-8" ? 3 : 2;
}

// Seven-bit text with a JIS X 0208 or 0212 escape is ISO-2022-JP; UTF-8
// validity alone would take it for ASCII and keep the escapes.
bool LooksLikeIso2022Jp(std::string_view body)
{
    for (char c : body)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    for (std::string_view escape : {"\x1B$B", "\x1B$@", "\x1B$(D", "\x1B$(O", "\x1B$(Q"})
        if (body.find(escape) != std::string_view::npos)
            return true;
    return false;
}

// Whether every byte above ASCII forms an EUC-JP character: two bytes of
// A1-FE, 8E with a half-width kana byte, or 8F with two bytes of A1-FE.
// Shift_JIS text nearly always has a lead byte of 81-9F (kana, punctuation,
// most kanji), which EUC-JP never uses this way, so such text fails here.
bool IsEucJp(std::string_view body)
{
    auto high = [](unsigned char b) { return b >= 0xA1 && b <= 0xFE; };
    for (std::size_t i = 0; i < body.size();) {
        const auto b = static_cast<unsigned char>(body[i]);
        const auto next = [&](std::size_t k) {
            return i + k < body.size() ? static_cast<unsigned char>(body[i + k]) : 0;
        };
        if (b < 0x80) {
            i += 1;
        } else if ((high(b) && high(next(1))) || (b == 0x8E && next(1) >= 0xA1 && next(1) <= 0xDF)) {
            i += 2;
        } else if (b == 0x8F && high(next(1)) && high(next(2))) {
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

// The iconv name for a charset label as pages write it; empty when unknown.
std::string CharsetForLabel(std::string_view label)
{
    static const std::array<std::pair<std::string_view, std::string_view>, 15> kAliases{{
        {"utf-8", "UTF-8"},
        {"utf8", "UTF-8"},
        {"shift_jis", "CP932"},
        {"shift-jis", "CP932"},
        {"sjis", "CP932"},
        {"x-sjis", "CP932"},
        {"windows-31j", "CP932"},
        {"cp932", "CP932"},
        {"ms932", "CP932"},
        {"euc-jp", "EUC-JP-MS"},
        {"x-euc-jp", "EUC-JP-MS"},
        {"iso-2022-jp", "ISO-2022-JP-3"},
        {"us-ascii", "CP1252"},
        {"iso-8859-1", "CP1252"},
        {"latin1", "CP1252"},
    }};
    std::string lowered = AsciiLowered(label);
    if (lowered.empty())
        return {};
    for (const auto& [alias, name] : kAliases)
        if (lowered == alias)
            return std::string(name);
    if (IconvDecoder::Open(lowered))
        return lowered;
    return {};
}

}  // namespace

std::string DetectPageCharset(std::string_view body, std::string_view contentType)
{
    // A byte-order mark is the bytes themselves speaking; browsers let it win.
    if (std::string_view bom = BomCharset(body); !bom.empty())
        return std::string(bom);
    if (std::string fromHeader = CharsetForLabel(CharsetParameter(contentType, AsciiLowered(contentType)));
        !fromHeader.empty())
        return fromHeader;
    const std::string_view head = body.substr(0, std::min(body.size(), kMetaWindow));
    const std::string loweredHead = AsciiLowered(head);
    if (loweredHead.find("<meta") != std::string::npos) {
        if (std::string fromMeta = CharsetForLabel(CharsetParameter(head, loweredHead)); !fromMeta.empty())
            return fromMeta;
    }
    if (LooksLikeIso2022Jp(body))
        return "ISO-2022-JP-3";
    if (IsValidUtf8(body))
        return "UTF-8";
    if (IsEucJp(body))
        return "EUC-JP-MS";
    return "CP932";
}

namespace {

std::u16string DecodeAs(std::string_view body, const std::string& charset)
{
    body.remove_prefix(BomLength(body, charset));
    if (charset == "UTF-8")
        return Utf8ToUtf16(body);
    if (auto text = DecodeWith(charset, body))
        return std::move(*text);
    return Utf8ToUtf16(body);
}

}  // namespace

std::u16string DecodePageText(std::string_view body, std::string_view contentType)
{
    return DecodeAs(body, DetectPageCharset(body, contentType));
}

DownloadedPage DecodePage(std::string_view body, std::string_view contentType, std::string_view finalUrl)
{
    std::string charset = DetectPageCharset(body, contentType);
    std::u16string url = Utf8ToUtf16(finalUrl);
    const bool markdown = IsMarkdownText(contentType, url);
    return {DecodeAs(body, charset), std::move(url), std::move(charset), markdown};
}

bool IsHtmlType(std::string_view contentType)
{
    std::string type = AsciiLowered(contentType.substr(0, contentType.find(';')));
    std::erase_if(type, [](char c) { return c == ' ' || c == '\t'; });
    return type == "text/html" || type == "application/xhtml+xml";
}

}  // namespace pardovane
