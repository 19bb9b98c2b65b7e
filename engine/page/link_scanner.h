#pragma once

#include "engine/page/link_element.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace pardovane {

// Finds the links of a page in one pass, reading its tags as an HTML5
// tokenizer does: the href of each <a> and of each <base>, and the src of
// each <img>; with Wants::resources also what a browser loads or follows from
// the page (stylesheets and other <link>s, scripts, srcset, frames, media,
// objects, a refresh, and the CSS of <style> elements and style attributes),
// and with Wants::ids every id and <a name>. Every tag is read through to
// its end, so a quoted ">" or "<a" inside another tag's attribute is no tag.
// Names match in any letter case; of repeated attributes the first counts.
// A tag that the page ends inside gives nothing. No tags are read inside
// comments (where "<!-->" and "<!--->" are whole ones), bogus comments
// ("<!x", "<?x", "</ x", up to the first ">"), the text of <script>,
// <style>, <textarea>, <title>, <xmp>, <iframe>, <noembed> and <noframes>,
// nor after <plaintext>. Inside <svg> and <math> those elements' text is read
// for tags, and a CDATA section is text; an HTML element such as <p> or
// <img> ends them, as in browsers.
//
// Values are reported as written, quotes excluded and nothing decoded, by
// their 0-based offset and length in the text, in the order of the page.
class LinkScanner {
public:
    using Element = LinkElement;
    struct Wants {
        bool resources = false;
        bool ids = false;
    };
    // Return false to stop the scan.
    using OnValue = std::function<bool(Element element, std::size_t offset, std::size_t length)>;

    LinkScanner() = default;
    explicit LinkScanner(Wants wants) : wants_(wants) { }
    // How many attributes a tag's links depend on (href, src, rel...).
    static constexpr std::size_t kAttributes = 12;
    void Scan(std::u16string_view text, const OnValue& onValue);

private:
    struct Attribute {
        std::size_t offset = 0;
        std::size_t length = 0;
        bool found = false;
    };
    using Attributes = std::array<Attribute, kAttributes>;

    // At the "<" of a start or end tag: reads it to its end and reports its
    // links, then skips what follows it when that holds no tags.
    bool Tag(const OnValue& onValue);
    bool Report(std::u16string_view name, const Attributes& attributes, const OnValue& onValue) const;
    void SkipPast(std::u16string_view marker);
    void SkipComment();
    void SkipText(std::u16string_view lowerEndTag);
    std::u16string_view TagName();

    Wants wants_;
    std::u16string_view text_;
    std::size_t pos_ = 0;
    std::string foreign_;  // the <svg> ('s') and <math> ('m') elements open, outermost first
};

// How reports name the kind of a link: "a", "img", "link", "script", "css"...
const char* ElementName(LinkScanner::Element element);

}  // namespace pardovane
