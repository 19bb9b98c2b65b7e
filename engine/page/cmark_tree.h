#pragma once

#include <memory>
#include <string>
#include <string_view>

struct cmark_node;
struct cmark_parser;

namespace pardovane {

// A Markdown text parsed as GitHub parses it: CommonMark with GitHub's
// extensions (tables, strikethrough, bare-URL autolinks, the tag filter),
// through cmark-gfm, GitHub's own parser (Debian's libcmark-gfm), so the
// links and headings found are those GitHub renders. Front matter (a "---"
// line at the very top, up to the next "---" or "..." line) is blanked
// before parsing: it holds no links, and every line keeps its number.
class CmarkTree {
public:
    explicit CmarkTree(std::string utf8);
    CmarkTree(const CmarkTree&) = delete;
    CmarkTree& operator=(const CmarkTree&) = delete;
    ~CmarkTree();

    // The text as parsed, front matter blanked.
    const std::string& text() const { return text_; }
    cmark_node* root() const { return root_; }
    // The HTML GitHub's renderer makes of it, raw HTML kept.
    std::string RenderHtml() const;

private:
    std::string text_;
    cmark_parser* parser_ = nullptr;
    cmark_node* root_ = nullptr;
};

// What remains of a line of Markdown's raw HTML once GitHub's tag filter has
// disarmed it: the "<" of <script>, <style>, <iframe> and its kin becomes a
// space, so no tag starts there; every other character stays in place.
void DisarmFilteredTags(std::u16string& html);

}  // namespace pardovane
