#include "engine/page/page_links.h"

#include "engine/page/char_refs.h"
#include "engine/page/css_links.h"
#include "engine/page/link_resolution.h"
#include "engine/page/link_scanner.h"
#include "engine/page/markdown_source.h"
#include "engine/page/percent_encoding.h"
#include "engine/page/refresh_url.h"
#include "engine/page/srcset_parser.h"
#include "engine/page/utf_convert.h"

namespace pardovane {
namespace {

using Element = LinkScanner::Element;

void Emit(PageLink link, const LinkExclusion& exclusion, const std::function<void(const PageLink&)>& onLink)
{
    link.stylesheet = link.stylesheet || link.element == Element::Stylesheet;
    if (link.target.probed() && exclusion) {
        if (auto pattern = exclusion(link.target.url)) {
            link.target.kind = LinkTarget::Kind::Excluded;
            link.target.detail = std::move(*pattern);
        }
    }
    onLink(link);
}

// The url()s and @imports of css, which starts at the 0-based offset of
// text; CSS reads no character references, so its URLs are taken as they are.
void EmitCss(std::u16string_view css, std::size_t offset, std::u16string_view base,
             const std::string& charset, const LinkExclusion& exclusion,
             const std::function<void(const PageLink&)>& onLink)
{
    for (const CssLink& found : CssLinks(css))
        Emit({offset + found.offset + 1,
              found.length,
              TargetOfUrl(found.url, base, charset),
              Element::Css,
              {},
              found.import},
             exclusion, onLink);
}

// A Markdown destination as cmark-gfm writes it into an href: its UTF-8
// bytes, each but ASCII letters, digits and -_.+!*'(),%#@?=;:/&$~ as %XX.
std::u16string EscapedHref(std::u16string_view destination)
{
    static constexpr std::u16string_view kSafe = u"-_.+!*'(),%#@?=;:/&$~";
    std::u16string out;
    for (std::size_t i = 0; i < destination.size(); ++i) {
        const char16_t c = destination[i];
        if (IsAsciiAlpha(c) || IsAsciiDigit(c) || kSafe.find(c) != std::u16string_view::npos) {
            out += c;
            continue;
        }
        const std::size_t units = StartsSurrogatePair(destination, i) ? 2 : 1;
        AppendPercentEncoded(out, Utf16ToUtf8(destination.substr(i, units)));
        i += units - 1;
    }
    return out;
}

void ForEachMarkdownLink(std::u16string_view text, std::u16string_view pageUrl, const std::string& charset,
                         const LinkExclusion& exclusion, const std::function<void(const PageLink&)>& onLink,
                         bool resources)
{
    const MarkdownSource source(text);
    for (const MarkdownItem& item : source.items()) {
        if (!item.html) {
            Emit({item.place.offset + 1, 0, TargetOfUrl(EscapedHref(item.text), pageUrl, charset),
                  item.element, item.text},
                 exclusion, onLink);
            continue;
        }
        ForEachPageLink(
            item.text, pageUrl, charset, exclusion,
            [&](const PageLink& link) {
            PageLink placed = link;
            placed.start = item.SourceOffset(link.start - 1) + 1;
            onLink(placed);
            },
            resources);
    }
}

}  // namespace

void ForEachPageLink(std::u16string_view pageText, std::u16string_view pageUrl, const std::string& charset,
                     const LinkExclusion& exclusion, const std::function<void(const PageLink&)>& onLink,
                     bool resources, PageFormat format)
{
    if (format == PageFormat::Markdown) {
        ForEachMarkdownLink(pageText, pageUrl, charset, exclusion, onLink, resources);
        return;
    }
    const std::u16string base = PageBaseUrl(pageText, pageUrl, charset);
    LinkScanner scanner({.resources = resources, .ids = false});
    scanner.Scan(pageText, [&](Element element, std::size_t offset, std::size_t length) {
        const std::u16string_view value = pageText.substr(offset, length);
        auto link = [&](Element kind, std::size_t at, std::size_t size) {
            Emit({at + 1, size, TargetOfLink(pageText.substr(at, size), base, charset), kind}, exclusion,
                 onLink);
        };
        switch (element) {
        case Element::Base:
        case Element::Id:
            break;
        case Element::Srcset:
            for (const SrcsetCandidate& candidate : SrcsetUrls(value))
                link(Element::Srcset, offset + candidate.offset, candidate.length);
            break;
        case Element::Refresh:
            if (const auto url = RefreshUrl(value))
                link(Element::Refresh, offset + url->first, url->second);
            break;
        case Element::StyleText:
            EmitCss(value, offset, base, charset, exclusion, onLink);
            break;
        case Element::StyleAttribute:
            if (value.find(u'&') == std::u16string_view::npos) {
                EmitCss(value, offset, base, charset, exclusion, onLink);
            } else {
                // The CSS is the value once its references are decoded; each
                // URL is then shown as that CSS writes it.
                const std::u16string css = DecodeCharRefs(value);
                for (const CssLink& found : CssLinks(css))
                    Emit({offset + 1, length, TargetOfUrl(found.url, base, charset), Element::Css,
                          css.substr(found.offset, found.length), found.import},
                         exclusion, onLink);
            }
            break;
        default:
            link(element, offset, length);
            break;
        }
        return true;
    });
}

void ForEachSheetLink(std::u16string_view sheetText, std::u16string_view sheetUrl,
                      const LinkExclusion& exclusion, const std::function<void(const PageLink&)>& onLink)
{
    EmitCss(sheetText, 0, sheetUrl, {}, exclusion, onLink);
}

}  // namespace pardovane
