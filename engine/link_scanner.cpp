#include "engine/link_scanner.h"

#include "engine/ascii.h"

#include <algorithm>

namespace pardovane {
namespace {

bool EqualsNoCase(std::u16string_view text, std::u16string_view lower)
{
    return text.size() == lower.size() && StartsWithNoCase(text, lower);
}

bool IsOneOf(std::u16string_view name, std::initializer_list<std::u16string_view> lowerNames)
{
    return std::any_of(lowerNames.begin(), lowerNames.end(),
                       [name](std::u16string_view lower) { return EqualsNoCase(name, lower); });
}

// For an element whose text holds no tags up to its own end tag, that
// tag's name in lower case; else empty.
std::u16string_view TextOnlyName(std::u16string_view name)
{
    for (std::u16string_view lower : {u"script", u"style", u"textarea", u"title", u"xmp", u"iframe", u"noembed",
                                      u"noframes"})
        if (EqualsNoCase(name, lower))
            return lower;
    return {};
}

// HTML elements whose start tag inside SVG or MathML ends it.
bool BreaksOutOfForeign(std::u16string_view name)
{
    return IsOneOf(name, {u"b", u"big", u"blockquote", u"body", u"br", u"center", u"code", u"dd", u"div",
                          u"dl", u"dt", u"em", u"embed", u"h1", u"h2", u"h3", u"h4", u"h5", u"h6", u"head",
                          u"hr", u"i", u"img", u"li", u"listing", u"menu", u"meta", u"nobr", u"ol", u"p",
                          u"pre", u"ruby", u"s", u"small", u"span", u"strong", u"strike", u"sub", u"sup",
                          u"table", u"tt", u"u", u"ul", u"var"});
}

}  // namespace

void LinkScanner::Scan(std::u16string_view text, const OnValue& onValue)
{
    text_ = text;
    pos_ = 0;
    foreign_.clear();
    const std::size_t n = text_.size();
    while ((pos_ = text_.find(u'<', pos_)) != std::u16string_view::npos) {
        const std::u16string_view rest = text_.substr(pos_);
        if (rest.starts_with(u"<!--")) {
            SkipComment();
        } else if (rest.starts_with(u"<![CDATA[") && !foreign_.empty()) {
            SkipPast(u"]]>");
        } else if (rest.starts_with(u"<!") || rest.starts_with(u"<?")) {
            pos_ += 2;  // a bogus comment, or a DOCTYPE: either ends at the first ">"
            SkipPast(u">");
        } else if (rest.size() > 1 && IsAsciiAlpha(rest[1])) {
            if (!Tag(onValue))
                return;
        } else if (rest.size() > 2 && rest[1] == u'/') {
            if (IsAsciiAlpha(rest[2])) {
                Tag(onValue);
            } else {
                pos_ += 2;  // "</>" is nothing, "</" and another character a bogus comment
                SkipPast(u">");
            }
        } else {
            ++pos_;
        }
        if (pos_ >= n)
            return;
    }
}

void LinkScanner::SkipPast(std::u16string_view marker)
{
    const std::size_t end = text_.find(marker, pos_);
    pos_ = end == std::u16string_view::npos ? text_.size() : end + marker.size();
}

void LinkScanner::SkipComment()
{
    pos_ += 4;  // "<!--"
    const std::u16string_view rest = text_.substr(pos_);
    if (rest.starts_with(u">") || rest.starts_with(u"->")) {  // "<!-->" and "<!--->" are whole
        pos_ += rest[0] == u'>' ? 1 : 2;
        return;
    }
    const std::size_t end = std::min(rest.find(u"-->"), rest.find(u"--!>"));
    pos_ = end == std::u16string_view::npos ? text_.size() : pos_ + end + (rest[end + 2] == u'!' ? 4 : 3);
}

void LinkScanner::SkipText(std::u16string_view endTag)
{
    for (;;) {
        const std::size_t lt = text_.find(u"</", pos_);
        if (lt == std::u16string_view::npos) {
            pos_ = text_.size();
            return;
        }
        pos_ = lt + 2;
        const std::size_t after = pos_ + endTag.size();
        if (after < text_.size() && StartsWithNoCase(text_.substr(pos_), endTag)
            && (IsHtmlSpace(text_[after]) || text_[after] == u'/' || text_[after] == u'>')) {
            pos_ = lt;  // the end tag itself is read as any other tag
            return;
        }
    }
}

std::u16string_view LinkScanner::TagName()
{
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !IsHtmlSpace(text_[pos_]) && text_[pos_] != u'/' && text_[pos_] != u'>')
        ++pos_;
    return text_.substr(start, pos_ - start);
}

bool LinkScanner::Tag(const OnValue& onValue)
{
    const bool endTag = text_[pos_ + 1] == u'/';
    pos_ += endTag ? 2 : 1;
    const std::u16string_view name = TagName();
    Element element = Element::Anchor;
    std::u16string_view wanted;
    if (!endTag && EqualsNoCase(name, u"a")) {
        wanted = u"href";
    } else if (!endTag && EqualsNoCase(name, u"img")) {
        element = Element::Image;
        wanted = u"src";
    } else if (!endTag && EqualsNoCase(name, u"base")) {
        element = Element::Base;
        wanted = u"href";
    }

    const std::size_t n = text_.size();
    Attribute link;
    bool selfClosing = false;
    for (;;) {
        while (pos_ < n && (IsHtmlSpace(text_[pos_]) || text_[pos_] == u'/')) {
            selfClosing = text_[pos_] == u'/';
            ++pos_;
        }
        if (pos_ >= n)
            return true;  // the page ended inside the tag
        if (text_[pos_] == u'>')
            break;
        selfClosing = false;
        // A name may begin with "=", as HTML allows; it runs to a space, "/", ">" or "=".
        const std::size_t nameStart = pos_++;
        while (pos_ < n && !IsHtmlSpace(text_[pos_]) && text_[pos_] != u'/' && text_[pos_] != u'>'
               && text_[pos_] != u'=')
            ++pos_;
        const std::u16string_view attribute = text_.substr(nameStart, pos_ - nameStart);
        std::size_t look = pos_;
        while (look < n && IsHtmlSpace(text_[look]))
            ++look;
        Attribute value{pos_, 0, true};  // no "=": the empty value
        if (look < n && text_[look] == u'=') {
            pos_ = look + 1;
            while (pos_ < n && IsHtmlSpace(text_[pos_]))
                ++pos_;
            if (pos_ < n && (text_[pos_] == u'"' || text_[pos_] == u'\'')) {
                const std::size_t close = text_.find(text_[pos_], pos_ + 1);
                if (close == std::u16string_view::npos) {
                    pos_ = n;
                    return true;
                }
                value = {pos_ + 1, close - pos_ - 1, true};
                pos_ = close + 1;
            } else {
                const std::size_t start = pos_;
                while (pos_ < n && !IsHtmlSpace(text_[pos_]) && text_[pos_] != u'>')
                    ++pos_;
                value = {start, pos_ - start, true};
            }
        }
        if (!link.found && !wanted.empty() && EqualsNoCase(attribute, wanted))
            link = value;
    }
    ++pos_;  // the ">"
    const char root = EqualsNoCase(name, u"svg") ? 's' : EqualsNoCase(name, u"math") ? 'm' : 0;
    if (endTag) {
        // It closes the innermost open root of its name, and what is inside.
        if (const std::size_t open = root ? foreign_.rfind(root) : std::string::npos; open != std::string::npos)
            foreign_.resize(open);
        return true;
    }
    // Inside SVG and MathML every element's text is read for tags, and only
    // there is a CDATA section text.
    if (!foreign_.empty() && BreaksOutOfForeign(name))
        foreign_.clear();
    if (root) {
        if (!selfClosing)
            foreign_ += root;
    } else if (foreign_.empty() && EqualsNoCase(name, u"plaintext")) {
        pos_ = n;  // the rest of the page is text
    } else if (foreign_.empty() && !TextOnlyName(name).empty()) {
        SkipText(TextOnlyName(name));
    }
    if (link.found)
        return onValue(element, link.offset, link.length);
    return true;
}

}  // namespace pardovane
