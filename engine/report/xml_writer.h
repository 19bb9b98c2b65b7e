#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pardovane {

// Builds one XML 1.0 document in UTF-8, starting with its declaration.
// Elements that hold only elements are indented two spaces a level; an
// element with text keeps it exactly, with no added white space.
class XmlWriter {
public:
    XmlWriter();

    // Opens an element; its attributes follow before any content.
    void Open(std::string_view name);
    void Attribute(std::string_view name, std::u16string_view value);
    // UTF-8; invalid sequences become U+FFFD.
    void Attribute(std::string_view name, std::string_view utf8);
    void Attribute(std::string_view name, const char* utf8) { Attribute(name, std::string_view(utf8)); }
    void Attribute(std::string_view name, std::int64_t value);
    void Text(std::u16string_view text);
    void Text(std::string_view utf8);
    // Closes the innermost open element.
    void Close();

    // The document so far, or since the last TakeText; complete once every element is closed.
    const std::string& text() const { return out_; }
    // The text so far, handed over; what follows starts afresh.
    std::string TakeText() { return std::exchange(out_, {}); }

private:
    struct Element {
        std::string name;
        bool startTagOpen = true;
        bool hasChildren = false;
        bool hasText = false;
    };
    void CloseStartTag();

    std::string out_;
    std::vector<Element> open_;
};

// Escaping for character data and for double-quoted attribute values. The
// markup characters become entities; CR (and in attributes also TAB and LF)
// become character references, so a parser hands them back unchanged instead
// of normalising them; DEL and the C1 controls become character references
// too, to stay visible. Characters that XML 1.0 does not allow at all, even
// as references (the other C0 controls, NUL included, U+FFFE, U+FFFF and lone
// surrogates), are replaced with U+FFFD.
std::string XmlEscapedText(std::u16string_view text);
std::string XmlEscapedAttribute(std::u16string_view text);

}  // namespace pardovane
