#include "engine/page/cmark_tree.h"

#include "engine/page/ascii.h"

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm.h>

#include <array>
#include <cstdlib>
#include <mutex>

namespace pardovane {
namespace {

constexpr std::array<const char*, 4> kExtensions = {"autolink", "table", "strikethrough", "tagfilter"};

std::size_t LineEnd(std::string_view text, std::size_t from)
{
    const std::size_t end = text.find_first_of("\r\n", from);
    return end == std::string_view::npos ? text.size() : end;
}

std::size_t NextLine(std::string_view text, std::size_t end)
{
    if (end < text.size() && text[end] == '\r')
        ++end;
    if (end < text.size() && text[end] == '\n')
        ++end;
    return end;
}

// YAML front matter, as Jekyll and GitHub take it: only at the very top.
void BlankFrontMatter(std::string& text)
{
    std::size_t end = LineEnd(text, 0);
    if (AsciiTrimmed(std::string_view(text).substr(0, end)) != "---" || !text.starts_with("---"))
        return;
    for (std::size_t line = NextLine(text, end); line < text.size(); line = NextLine(text, end)) {
        end = LineEnd(text, line);
        const std::string_view content = AsciiTrimmed(std::string_view(text).substr(line, end - line));
        if (content == "---" || content == "...") {
            for (std::size_t i = 0; i < end; ++i)
                if (text[i] != '\r' && text[i] != '\n')
                    text[i] = ' ';
            return;
        }
    }
}

}  // namespace

CmarkTree::CmarkTree(std::string utf8) : text_(std::move(utf8))
{
    static std::once_flag registered;
    std::call_once(registered, [] { cmark_gfm_core_extensions_ensure_registered(); });
    BlankFrontMatter(text_);
    parser_ = cmark_parser_new(CMARK_OPT_SOURCEPOS | CMARK_OPT_UNSAFE);
    for (const char* name : kExtensions)
        if (cmark_syntax_extension* extension = cmark_find_syntax_extension(name))
            cmark_parser_attach_syntax_extension(parser_, extension);
    cmark_parser_feed(parser_, text_.data(), text_.size());
    root_ = cmark_parser_finish(parser_);
}

CmarkTree::~CmarkTree()
{
    if (root_ != nullptr)
        cmark_node_free(root_);
    if (parser_ != nullptr)
        cmark_parser_free(parser_);
}

std::string CmarkTree::RenderHtml() const
{
    char* html = cmark_render_html(root_, CMARK_OPT_UNSAFE, cmark_parser_get_syntax_extensions(parser_));
    std::string out = html != nullptr ? html : "";
    cmark_get_default_mem_allocator()->free(html);
    return out;
}

void DisarmFilteredTags(std::u16string& html)
{
    static constexpr std::array<std::u16string_view, 9> kFiltered = {
        u"title", u"textarea", u"style", u"xmp", u"iframe", u"noembed", u"noframes", u"script", u"plaintext"};
    for (std::size_t at = html.find(u'<'); at != std::u16string::npos; at = html.find(u'<', at + 1)) {
        const std::size_t name = at + 1 + (at + 1 < html.size() && html[at + 1] == u'/');
        for (std::u16string_view filtered : kFiltered) {
            const std::u16string_view rest = std::u16string_view(html).substr(name);
            if (!StartsWithNoCase(rest, filtered))
                continue;
            const std::u16string_view after = rest.substr(filtered.size());
            if (!after.empty() && (IsHtmlSpace(after[0]) || after[0] == u'>' || after.starts_with(u"/>")))
                html[at] = u' ';
        }
    }
}

}  // namespace pardovane
