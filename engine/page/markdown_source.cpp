#include "engine/page/markdown_source.h"

#include "engine/page/cmark_tree.h"
#include "engine/page/utf_convert.h"

#include <cmark-gfm.h>

#include <algorithm>
#include <initializer_list>
#include <memory>

namespace pardovane {
namespace {

std::string_view Literal(cmark_node* node)
{
    const char* literal = cmark_node_get_literal(node);
    return literal != nullptr ? literal : "";
}

// The block a node's inline text belongs to: a paragraph, heading or cell.
cmark_node* BlockOf(cmark_node* node)
{
    for (cmark_node* up = cmark_node_parent(node); up != nullptr; up = cmark_node_parent(up))
        if (cmark_node_get_start_line(up) > 0 && cmark_node_get_type(up) != CMARK_NODE_LINK
            && cmark_node_get_type(up) != CMARK_NODE_IMAGE && cmark_node_get_type(up) != CMARK_NODE_EMPH
            && cmark_node_get_type(up) != CMARK_NODE_STRONG)
            return up;
    return nullptr;
}

// Walks the tree once, in the order of the text. cmark-gfm's inline
// positions are bytes, and on a paragraph's later lines fall short by the
// spaces it stripped from their front, or, on a lazy line (one without the
// quote's ">" or the list item's indent), go past by that indent; the GFM
// autolinks have none, and its www. autolinks start a column early. So
// each start is checked against the text at those places and, failing that,
// looked for from the last place known to lie before it.
class Walker {
public:
    Walker(std::string_view text, const SourceLines& lines) : text_(text), lines_(lines) { }

    void Walk(cmark_node* root, std::vector<MarkdownItem>& items, std::vector<std::u16string>& headings);

private:
    std::size_t Locate(cmark_node* node, int line, int column, std::initializer_list<std::string_view> starts,
                       std::string_view bare = {});
    // A byte no later than where the node starts.
    std::size_t Earliest(cmark_node* node) const;
    void AddLink(cmark_node* node, LinkElement element, std::vector<MarkdownItem>& items);
    void AddHtml(cmark_node* node, std::vector<MarkdownItem>& items);

    std::string_view text_;
    const SourceLines& lines_;
    std::size_t cursor_ = 0;  // a byte no later than the current node's start
};

// The column a node's block starts at, less one, when the node is on a later
// line of it: how far cmark-gfm may report a lazy line's node too far on.
std::uint32_t Indent(cmark_node* node, int line)
{
    cmark_node* block = BlockOf(node);
    if (block == nullptr || cmark_node_get_start_line(block) == line)
        return 0;
    return static_cast<std::uint32_t>(std::max(cmark_node_get_start_column(block) - 1, 0));
}

std::size_t Walker::Earliest(cmark_node* node) const
{
    const auto column = static_cast<std::uint32_t>(std::max(cmark_node_get_start_column(node), 1));
    const std::uint32_t indent = Indent(node, cmark_node_get_start_line(node));
    return lines_.ByteAt(static_cast<std::uint32_t>(cmark_node_get_start_line(node)),
                         column > indent ? column - indent : 1);
}

std::size_t Walker::Locate(cmark_node* node, int line, int column,
                           std::initializer_list<std::string_view> starts, std::string_view bare)
{
    const auto search = [&](std::size_t from) {
        std::size_t found = bare.empty() ? std::string_view::npos : text_.find(bare, from);
        for (std::string_view start : starts)
            found = std::min(found, text_.find(start, from));
        return found == std::string_view::npos ? from : found;
    };
    if (line <= 0 || column <= 0)
        return search(cursor_);
    const auto row = static_cast<std::uint32_t>(line);
    const auto reported = static_cast<std::uint32_t>(column);
    const std::string_view source = lines_.Line(row);
    const auto lead = static_cast<std::uint32_t>(std::min(source.find_first_not_of(" \t"), source.size()));
    const std::uint32_t indent = Indent(node, line);
    // As reported; past the spaces stripped from a later line's front; back
    // by the block's indent, on a lazy line that has none; or a column back,
    // as for the "<" of an e-mail autolink. A bare URL only where no bracket
    // is, as a link's text may be its URL.
    const std::uint32_t shifts[]
        = {reported, reported + (lead > indent ? lead - indent : 0), reported + lead,
           reported > indent ? reported - indent : reported, reported > 1 ? reported - 1 : reported};
    for (const bool bareNow : {false, true}) {
        for (const std::uint32_t shifted : shifts) {
            const std::string_view at = text_.substr(lines_.ByteAt(row, shifted));
            if (bareNow ? !bare.empty() && at.starts_with(bare)
                        : std::any_of(starts.begin(), starts.end(),
                                      [&](std::string_view start) { return at.starts_with(start); }))
                return lines_.ByteAt(row, shifted);
        }
    }
    return search(std::max(cursor_, Earliest(node)));
}

void Walker::AddLink(cmark_node* node, LinkElement element, std::vector<MarkdownItem>& items)
{
    const char* url = cmark_node_get_url(node);
    // What a GFM autolink shows: its URL as written, which the URL ends in.
    std::string_view shown;
    cmark_node* child = cmark_node_first_child(node);
    if (child != nullptr && url != nullptr)
        shown = Literal(child);
    if (!std::string_view(url != nullptr ? url : "").ends_with(shown))
        shown = {};
    // A link whose text runs over lines is reported on its last, and those
    // after it on that line too far on; its text, which starts right after
    // its "[", "![" or "<", is nearer the truth.
    int line = cmark_node_get_start_line(node);
    int column = cmark_node_get_start_column(node);
    const int opener = element == LinkElement::Image ? 2 : 1;
    const int childLine = child != nullptr ? cmark_node_get_start_line(child) : 0;
    const int childColumn = child != nullptr ? cmark_node_get_start_column(child) : 0;
    if (childLine > 0 && childColumn > opener
        && (childLine < line || (childLine == line && childColumn < column + opener))) {
        line = childLine;
        column = childColumn - opener;
    }
    const std::size_t byte = element == LinkElement::Image ? Locate(node, line, column, {"!["})
                                                           : Locate(node, line, column, {"[", "<"}, shown);
    cursor_ = byte + 1;
    items.push_back({false, Utf8ToUtf16(url != nullptr ? url : ""), element, lines_.PlaceOf(byte)});
}

void Walker::AddHtml(cmark_node* node, std::vector<MarkdownItem>& items)
{
    const std::string_view literal = Literal(node);
    const bool block = cmark_node_get_type(node) == CMARK_NODE_HTML_BLOCK;
    std::size_t byte = block
        ? lines_.ByteAt(static_cast<std::uint32_t>(cmark_node_get_start_line(node)),
                        static_cast<std::uint32_t>(cmark_node_get_start_column(node)))
        : Locate(node, cmark_node_get_start_line(node), cmark_node_get_start_column(node), {"<"});
    cursor_ = byte + 1;
    MarkdownItem item{true, {}, LinkElement::Anchor, lines_.PlaceOf(byte)};
    auto row = item.place.line;
    for (std::size_t begin = 0; begin < literal.size(); ++row) {
        std::size_t end = std::min(literal.find('\n', begin), literal.size());
        std::string_view content = literal.substr(begin, end - begin);
        if (content.ends_with('\r'))
            content.remove_suffix(1);
        // A later line keeps its text; the markers before it went.
        if (begin > 0) {
            const std::string_view source = lines_.Line(row);
            byte = lines_.ByteAt(row, 1);
            if (source.ends_with(content))
                byte += source.size() - content.size();
        }
        item.lines.emplace_back(item.text.size(), lines_.PlaceOf(byte).offset);
        item.text += Utf8ToUtf16(literal.substr(begin, std::min(end + 1, literal.size()) - begin));
        begin = end + 1;
    }
    DisarmFilteredTags(item.text);
    items.push_back(std::move(item));
}

void Walker::Walk(cmark_node* root, std::vector<MarkdownItem>& items, std::vector<std::u16string>& headings)
{
    const std::unique_ptr<cmark_iter, decltype(&cmark_iter_free)> iter(cmark_iter_new(root), cmark_iter_free);
    std::u16string heading;
    bool inHeading = false;
    int inImage = 0;
    for (cmark_event_type event; (event = cmark_iter_next(iter.get())) != CMARK_EVENT_DONE;) {
        cmark_node* node = cmark_iter_get_node(iter.get());
        const cmark_node_type type = cmark_node_get_type(node);
        if (event == CMARK_EVENT_EXIT) {
            if (type == CMARK_NODE_IMAGE)
                --inImage;
            if (type == CMARK_NODE_HEADING) {
                headings.push_back(std::move(heading));
                heading.clear();
                inHeading = false;
            }
            continue;
        }
        if (cmark_node_get_start_line(node) > 0 && type != CMARK_NODE_DOCUMENT)
            cursor_ = std::max(cursor_, Earliest(node));
        switch (type) {
        case CMARK_NODE_HEADING:
            inHeading = true;
            break;
        case CMARK_NODE_LINK:
            AddLink(node, LinkElement::Anchor, items);
            break;
        case CMARK_NODE_IMAGE:
            ++inImage;
            AddLink(node, LinkElement::Image, items);
            break;
        case CMARK_NODE_HTML_BLOCK:
        case CMARK_NODE_HTML_INLINE:
            AddHtml(node, items);
            break;
        case CMARK_NODE_TEXT:
        case CMARK_NODE_CODE:
            if (inHeading && inImage == 0)
                heading += Utf8ToUtf16(Literal(node));
            break;
        case CMARK_NODE_SOFTBREAK:
        case CMARK_NODE_LINEBREAK:
            if (inHeading && inImage == 0)
                heading += u'\n';
            break;
        default:
            break;
        }
    }
}

}  // namespace

std::size_t MarkdownItem::SourceOffset(std::size_t offset) const
{
    const auto after = std::upper_bound(lines.begin(), lines.end(), offset,
                                        [](std::size_t at, const auto& line) { return at < line.first; });
    if (after == lines.begin())
        return place.offset + offset;
    const auto& [htmlStart, sourceStart] = *(after - 1);
    return sourceStart + (offset - htmlStart);
}

MarkdownSource::MarkdownSource(std::u16string_view text)
{
    const CmarkTree tree(Utf16ToUtf8(text));
    const SourceLines lines(tree.text());
    // A final line end closes the last line; no line follows it.
    const bool closed = !text.empty() && (text.back() == u'\n' || text.back() == u'\r');
    lineCount_ = text.empty() ? 0 : lines.count() - (closed ? 1 : 0);
    Walker(tree.text(), lines).Walk(tree.root(), items_, headings_);
}

}  // namespace pardovane
