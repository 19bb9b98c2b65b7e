#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace pardovane {

// Finds the links of a page in one pass, reading its tags as an HTML5
// tokenizer does: the href of each <a> and of each <base>, and the src of
// each <img>. Every tag is read through to its end, so a quoted ">" or "<a"
// inside another tag's attribute is no tag. Names match in any letter case;
// of repeated attributes the first counts. A tag that the page ends inside
// gives nothing. No tags are read inside comments (where "<!-->" and
// "<!--->" are whole ones), bogus comments ("<!x", "<?x", "</ x", up to the
// first ">"), the text of <script>, <style>, <textarea>, <title>, <xmp>,
// <iframe>, <noembed> and <noframes>, nor after <plaintext>. Inside <svg>
// and <math> those elements' text is read for tags, and a CDATA section is
// text; an HTML element such as <p> or <img> ends them, as in browsers.
//
// Values are reported as written, quotes excluded and nothing decoded, by
// their 0-based offset and length in the text.
class LinkScanner {
public:
    enum class Element { Anchor, Image, Base };
    // Return false to stop the scan.
    using OnValue = std::function<bool(Element element, std::size_t offset, std::size_t length)>;

    void Scan(std::u16string_view text, const OnValue& onValue);

private:
    struct Attribute {
        std::size_t offset = 0;
        std::size_t length = 0;
        bool found = false;
    };

    // At the "<" of a start or end tag: reads it to its end and reports its
    // link, then skips what follows it when that holds no tags.
    bool Tag(const OnValue& onValue);
    void SkipPast(std::u16string_view marker);
    void SkipComment();
    void SkipText(std::u16string_view lowerEndTag);
    std::u16string_view TagName();

    std::u16string_view text_;
    std::size_t pos_ = 0;
    std::string foreign_;  // the <svg> ('s') and <math> ('m') elements open, outermost first
};

}  // namespace pardovane
