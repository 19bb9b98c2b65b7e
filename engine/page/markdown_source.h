#pragma once

#include "engine/page/link_element.h"
#include "engine/page/source_lines.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pardovane {

// One thing of a Markdown text that may hold links, in the order of the text:
// a link or image, its destination as the parser read it (escapes, entities
// and reference definitions resolved), or a stretch of raw HTML, whose tags
// are HTML's to read.
struct MarkdownItem {
    bool html = false;
    std::u16string text;  // the destination, or the raw HTML
    LinkElement element = LinkElement::Anchor;
    // Where it starts in the text: for a link its "[", "![" or "<".
    SourcePlace place;
    // Raw HTML, a line at a time: where each line starts in text and in the
    // Markdown text (UTF-16 offsets), as containers (quotes, list items)
    // took their markers off the front.
    std::vector<std::pair<std::size_t, std::size_t>> lines = {};

    // The offset in the Markdown text of an offset in raw HTML's text.
    std::size_t SourceOffset(std::size_t offset) const;
};

// What a Markdown text holds for a link checker (see CmarkTree for how it is
// read): its links and raw HTML, its headings' texts as a browser would give
// them (textContent: inline code and link texts included, an image's alt
// text not), and how many lines it has. Code spans, code blocks and front
// matter hold neither links nor headings.
class MarkdownSource {
public:
    explicit MarkdownSource(std::u16string_view text);

    const std::vector<MarkdownItem>& items() const { return items_; }
    const std::vector<std::u16string>& headings() const { return headings_; }
    std::uint32_t lineCount() const { return lineCount_; }

private:
    std::vector<MarkdownItem> items_;
    std::vector<std::u16string> headings_;
    std::uint32_t lineCount_ = 0;
};

}  // namespace pardovane
