#include "engine/page/link_resolution.h"

#include "engine/page/ascii.h"
#include "engine/page/char_refs.h"
#include "engine/page/link_scanner.h"
#include "engine/page/query_encoding.h"

#include <optional>

namespace pardovane {
namespace {

// RFC 3986's five components; an absent one differs from an empty one.
struct UriParts {
    std::optional<std::u16string_view> scheme;
    std::optional<std::u16string_view> authority;
    std::u16string_view path;
    std::optional<std::u16string_view> query;
    std::optional<std::u16string_view> fragment;
};

// The length of text's scheme, without its ":", or 0 when it has none.
std::size_t SchemeLength(std::u16string_view text)
{
    if (text.empty() || !IsAsciiAlpha(text[0]))
        return 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u':')
            return i;
        if (!IsAsciiAlpha(c) && !IsAsciiDigit(c) && c != u'+' && c != u'-' && c != u'.')
            return 0;
    }
    return 0;
}

UriParts Split(std::u16string_view text)
{
    UriParts parts;
    if (const std::size_t hash = text.find(u'#'); hash != std::u16string_view::npos) {
        parts.fragment = text.substr(hash + 1);
        text = text.substr(0, hash);
    }
    if (const std::size_t question = text.find(u'?'); question != std::u16string_view::npos) {
        parts.query = text.substr(question + 1);
        text = text.substr(0, question);
    }
    if (const std::size_t length = SchemeLength(text)) {
        parts.scheme = text.substr(0, length);
        text = text.substr(length + 1);
    }
    if (text.starts_with(u"//")) {
        const std::size_t end = text.find(u'/', 2);
        parts.authority = text.substr(2, end == std::u16string_view::npos ? text.size() - 2 : end - 2);
        text = end == std::u16string_view::npos ? std::u16string_view() : text.substr(end);
    }
    parts.path = text;
    return parts;
}

std::u16string Merge(const UriParts& base, std::u16string_view path)
{
    std::u16string merged;
    if (base.authority && base.path.empty()) {
        merged = u"/";
    } else if (const std::size_t slash = base.path.rfind(u'/'); slash != std::u16string_view::npos) {
        merged = base.path.substr(0, slash + 1);
    }
    merged.append(path);
    return merged;
}

std::u16string Compose(std::optional<std::u16string_view> scheme,
                       std::optional<std::u16string_view> authority, std::u16string_view path,
                       std::optional<std::u16string_view> query, std::optional<std::u16string_view> fragment)
{
    std::u16string out;
    if (scheme) {
        for (char16_t c : *scheme)
            out += AsciiLower(c);
        out += u':';
    }
    if (authority)
        out.append(u"//").append(*authority);
    out.append(path);
    if (query)
        out.append(u"?").append(*query);
    if (fragment)
        out.append(u"#").append(*fragment);
    return out;
}

bool IsSpaceOrControl(char16_t c)
{
    return c <= 0x20;
}

// The href as a browser reads it before resolving, see TargetOfLink.
std::u16string CleanLink(std::u16string_view decoded)
{
    std::size_t first = 0;
    std::size_t last = decoded.size();
    while (first < last && IsSpaceOrControl(decoded[first]))
        ++first;
    while (last > first && IsSpaceOrControl(decoded[last - 1]))
        --last;
    std::u16string link;
    link.reserve(last - first);
    bool beforeQuery = true;
    for (std::size_t i = first; i < last; ++i) {
        char16_t c = decoded[i];
        if (c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        if (c == u'?' || c == u'#')
            beforeQuery = false;
        else if (c == u'\\' && beforeQuery)
            c = u'/';
        link += c;
    }
    return link;
}

// Only http(s) can be checked; a file: link stays, as no reader of an http(s)
// page can follow it (see RequestUrlFor). Everything else is skipped.
bool IsSkippedScheme(std::u16string_view lowerScheme)
{
    return lowerScheme != u"http" && lowerScheme != u"https" && lowerScheme != u"file";
}

std::u16string LowerScheme(std::u16string_view text)
{
    std::u16string scheme;
    for (char16_t c : text.substr(0, SchemeLength(text)))
        scheme += AsciiLower(c);
    return scheme;
}

// RFC 3986's remove_dot_segments.
std::u16string RemoveDotSegments(std::u16string_view input)
{
    std::u16string output;
    output.reserve(input.size());
    auto dropLastSegment = [&output] {
        const std::size_t slash = output.rfind(u'/');
        output.resize(slash == std::u16string::npos ? 0 : slash);
    };
    while (!input.empty()) {
        if (input.starts_with(u"../")) {
            input.remove_prefix(3);
        } else if (input.starts_with(u"./") || input.starts_with(u"/./")) {
            input.remove_prefix(2);
        } else if (input == u"/.") {
            input = u"/";
        } else if (input.starts_with(u"/../")) {
            input.remove_prefix(3);
            dropLastSegment();
        } else if (input == u"/..") {
            input = u"/";
            dropLastSegment();
        } else if (input == u"." || input == u"..") {
            input = {};
        } else {
            const std::size_t end = input.find(u'/', input.starts_with(u'/') ? 1 : 0);
            const std::size_t length = end == std::u16string_view::npos ? input.size() : end;
            output.append(input.substr(0, length));
            input.remove_prefix(length);
        }
    }
    return output;
}

}  // namespace

std::u16string ResolveReference(std::u16string_view base, std::u16string_view reference)
{
    const UriParts r = Split(reference);
    if (r.scheme)
        return Compose(r.scheme, r.authority, RemoveDotSegments(r.path), r.query, r.fragment);
    const UriParts b = Split(base);
    if (r.authority)
        return Compose(b.scheme, r.authority, RemoveDotSegments(r.path), r.query, r.fragment);
    if (r.path.empty())
        return Compose(b.scheme, b.authority, b.path, r.query ? r.query : b.query, r.fragment);
    const std::u16string path
        = r.path.starts_with(u'/') ? RemoveDotSegments(r.path) : RemoveDotSegments(Merge(b, r.path));
    return Compose(b.scheme, b.authority, path, r.query, r.fragment);
}

LinkTarget TargetOfLink(std::u16string_view written, std::u16string_view base, const std::string& charset)
{
    return TargetOfUrl(DecodeCharRefs(written), base, charset);
}

LinkTarget TargetOfUrl(std::u16string_view url, std::u16string_view base, const std::string& charset)
{
    LinkTarget target;
    const std::u16string link = CleanLink(url);
    // An absolute link is skipped as written; a relative one only by where
    // it leads, as a <base href> may lead it to another scheme.
    const bool absolute = SchemeLength(link) > 0;
    target.url = absolute ? link : ResolveReference(base, link);
    if (std::u16string scheme = LowerScheme(target.url); !scheme.empty() && IsSkippedScheme(scheme)) {
        target.kind = LinkTarget::Kind::SkippedScheme;
        target.detail = std::move(scheme);
        return target;
    }
    if (absolute)
        target.url = ResolveReference(base, link);
    if (const std::size_t hash = target.url.find(u'#'); hash != std::u16string::npos) {
        target.hasFragment = true;
        target.fragment = target.url.substr(hash + 1);
        target.url.resize(hash);
    }
    // Here, not on the way to the wire: the verdict cache and every prober
    // know a URL by this text alone, and "?q=日本" from a Shift_JIS page and
    // from a UTF-8 page are two requests, so they must be two texts.
    target.url = EncodeQueryIn(std::move(target.url), charset);
    return target;
}

std::u16string PageBaseUrl(std::u16string_view pageText, std::u16string_view pageUrl,
                           const std::string& charset)
{
    std::u16string base(pageUrl);
    LinkScanner scanner;
    scanner.Scan(pageText, [&](LinkScanner::Element element, std::size_t offset, std::size_t length) {
        if (element != LinkScanner::Element::Base)
            return true;
        const LinkTarget target = TargetOfLink(pageText.substr(offset, length), pageUrl, charset);
        if (target.probed())
            base = target.url;
        return false;
    });
    return base;
}

}  // namespace pardovane
