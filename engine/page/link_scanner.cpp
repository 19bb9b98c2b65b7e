#include "engine/page/link_scanner.h"

#include "engine/page/ascii.h"

#include <algorithm>

namespace pardovane {
namespace {

using namespace std::string_view_literals;

bool EqualsNoCase(std::u16string_view text, std::u16string_view lower)
{
    return text.size() == lower.size() && StartsWithNoCase(text, lower);
}

// Where name stands in names, in any letter case; N when it does not.
template <std::size_t N>
std::size_t IndexOf(std::u16string_view name, const std::u16string_view (&names)[N])
{
    const auto found = std::find_if(std::begin(names), std::end(names),
                                    [name](std::u16string_view lower) { return EqualsNoCase(name, lower); });
    return static_cast<std::size_t>(found - std::begin(names));
}

// The lower-case name in names that name is, or empty.
template <std::size_t N>
std::u16string_view Lookup(std::u16string_view name, const std::u16string_view (&names)[N])
{
    const std::size_t index = IndexOf(name, names);
    return index == N ? std::u16string_view() : names[index];
}

// Elements whose text holds no tags up to their own end tag.
constexpr std::u16string_view kTextOnly[] = {u"script"sv, u"style"sv,  u"textarea"sv, u"title"sv,
                                             u"xmp"sv,    u"iframe"sv, u"noembed"sv,  u"noframes"sv};

// HTML elements whose start tag inside SVG or MathML ends it.
constexpr std::u16string_view kBreakOut[] = {
    u"b"sv,       u"big"sv,   u"blockquote"sv, u"body"sv,   u"br"sv,     u"center"sv, u"code"sv, u"dd"sv,
    u"div"sv,     u"dl"sv,    u"dt"sv,         u"em"sv,     u"embed"sv,  u"h1"sv,     u"h2"sv,   u"h3"sv,
    u"h4"sv,      u"h5"sv,    u"h6"sv,         u"head"sv,   u"hr"sv,     u"i"sv,      u"img"sv,  u"li"sv,
    u"listing"sv, u"menu"sv,  u"meta"sv,       u"nobr"sv,   u"ol"sv,     u"p"sv,      u"pre"sv,  u"ruby"sv,
    u"s"sv,       u"small"sv, u"span"sv,       u"strong"sv, u"strike"sv, u"sub"sv,    u"sup"sv,  u"table"sv,
    u"tt"sv,      u"u"sv,     u"ul"sv,         u"var"sv};

// The attributes a tag's links depend on; their place is their index in
// LinkScanner::Attributes.
enum AttributeIndex : std::size_t {
    kHref,
    kSrc,
    kSrcset,
    kRel,
    kType,
    kHttpEquiv,
    kContent,
    kData,
    kPoster,
    kId,
    kName,
    kStyle
};
constexpr std::u16string_view kAttributeNames[]
    = {u"href"sv,    u"src"sv,  u"srcset"sv, u"rel"sv, u"type"sv, u"http-equiv"sv,
       u"content"sv, u"data"sv, u"poster"sv, u"id"sv,  u"name"sv, u"style"sv};
static_assert(std::size(kAttributeNames) == LinkScanner::kAttributes);

// Whether space-separated tokens hold one that is word, in any case.
bool HasToken(std::u16string_view tokens, std::u16string_view word)
{
    std::size_t i = 0;
    while (i < tokens.size()) {
        while (i < tokens.size() && IsHtmlSpace(tokens[i]))
            ++i;
        const std::size_t start = i;
        while (i < tokens.size() && !IsHtmlSpace(tokens[i]))
            ++i;
        if (i > start && EqualsNoCase(tokens.substr(start, i - start), word))
            return true;
    }
    return false;
}

// A <link> that only names an origin to connect to early loads nothing.
bool NamesOnlyOrigins(std::u16string_view rel)
{
    bool any = false;
    std::size_t i = 0;
    while (i < rel.size()) {
        while (i < rel.size() && IsHtmlSpace(rel[i]))
            ++i;
        const std::size_t start = i;
        while (i < rel.size() && !IsHtmlSpace(rel[i]))
            ++i;
        if (i == start)
            break;
        const std::u16string_view token = rel.substr(start, i - start);
        if (!EqualsNoCase(token, u"preconnect"sv) && !EqualsNoCase(token, u"dns-prefetch"sv))
            return false;
        any = true;
    }
    return any;
}

}  // namespace

const char* ElementName(LinkScanner::Element element)
{
    // In the order of the enumeration.
    constexpr const char* kNames[] = {
        "a",    "img",   "base",  "id",    "link",   "link",  "script", "srcset", "source", "iframe", "frame",
        "area", "video", "audio", "track", "object", "embed", "input",  "meta",   "css",    "css",    "css"};
    static_assert(std::size(kNames) == static_cast<std::size_t>(LinkScanner::Element::Css) + 1);
    return kNames[static_cast<std::size_t>(element)];
}

void LinkScanner::Scan(std::u16string_view text, const OnValue& onValue)
{
    text_ = text;
    pos_ = 0;
    foreign_.clear();
    const std::size_t n = text_.size();
    while ((pos_ = text_.find(u'<', pos_)) != std::u16string_view::npos) {
        const std::u16string_view rest = text_.substr(pos_);
        const char16_t next = rest.size() > 1 ? rest[1] : u'\0';
        if (IsAsciiAlpha(next)) {
            if (!Tag(onValue))
                return;
        } else if (next == u'/' && rest.size() > 2) {
            if (IsAsciiAlpha(rest[2])) {
                Tag(onValue);
            } else {
                pos_ += 2;  // "</>" is nothing, "</" and another character a bogus comment
                SkipPast(u">"sv);
            }
        } else if (rest.starts_with(u"<!--"sv)) {
            SkipComment();
        } else if (rest.starts_with(u"<![CDATA["sv) && !foreign_.empty()) {
            SkipPast(u"]]>"sv);
        } else if (next == u'!' || next == u'?') {
            pos_ += 2;  // a bogus comment, or a DOCTYPE: either ends at the first ">"
            SkipPast(u">"sv);
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
    if (rest.starts_with(u">"sv) || rest.starts_with(u"->"sv)) {  // "<!-->" and "<!--->" are whole
        pos_ += rest[0] == u'>' ? 1 : 2;
        return;
    }
    // It ends at the first "-->" or "--!>".
    for (std::size_t dashes = text_.find(u"--"sv, pos_); dashes != std::u16string_view::npos;
         dashes = text_.find(u"--"sv, dashes + 1)) {
        const std::u16string_view after = text_.substr(dashes + 2);
        if (after.starts_with(u">"sv) || after.starts_with(u"!>"sv)) {
            pos_ = dashes + 2 + (after[0] == u'>' ? 1 : 2);
            return;
        }
    }
    pos_ = text_.size();
}

void LinkScanner::SkipText(std::u16string_view endTag)
{
    for (;;) {
        const std::size_t lt = text_.find(u"</"sv, pos_);
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

    const std::size_t n = text_.size();
    Attributes attributes;
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
        if (!endTag) {
            const std::size_t index = IndexOf(attribute, kAttributeNames);
            if (index < kAttributes && !attributes[index].found)
                attributes[index] = value;
        }
    }
    ++pos_;  // the ">"
    const char root = EqualsNoCase(name, u"svg"sv) ? 's' : EqualsNoCase(name, u"math"sv) ? 'm' : '\0';
    if (endTag) {
        // It closes the innermost open root of its name, and what is inside.
        if (const std::size_t open = root ? foreign_.rfind(root) : std::string::npos;
            open != std::string::npos)
            foreign_.resize(open);
        return true;
    }
    // Inside SVG and MathML every element's text is read for tags, and only
    // there is a CDATA section text.
    if (!foreign_.empty() && !Lookup(name, kBreakOut).empty())
        foreign_.clear();
    if (!Report(name, attributes, onValue))
        return false;
    if (root) {
        if (!selfClosing)
            foreign_ += root;
    } else if (foreign_.empty() && EqualsNoCase(name, u"plaintext"sv)) {
        pos_ = n;  // the rest of the page is text
    } else if (const std::u16string_view textOnly = foreign_.empty() ? Lookup(name, kTextOnly) : u""sv;
               !textOnly.empty()) {
        const std::size_t textStart = pos_;
        SkipText(textOnly);
        if (wants_.resources && textOnly == u"style"sv && pos_ > textStart)
            return onValue(Element::StyleText, textStart, pos_ - textStart);
    }
    return true;
}

// The links of one start tag, in the order its attributes were written.
bool LinkScanner::Report(std::u16string_view name, const Attributes& attributes, const OnValue& onValue) const
{
    struct Found {
        Element element;
        Attribute value;
    };
    std::array<Found, 5> found{};
    std::size_t count = 0;
    auto add = [&](Element element, std::size_t index) {
        if (attributes[index].found)
            found[count++] = {element, attributes[index]};
    };
    auto is = [&name](std::u16string_view lower) { return EqualsNoCase(name, lower); };
    auto valueOf
        = [&](std::size_t index) { return text_.substr(attributes[index].offset, attributes[index].length); };

    if (is(u"a"sv)) {
        add(Element::Anchor, kHref);
        if (wants_.ids)
            add(Element::Id, kName);
    } else if (is(u"img"sv)) {
        add(Element::Image, kSrc);
        if (wants_.resources)
            add(Element::Srcset, kSrcset);
    } else if (is(u"base"sv)) {
        add(Element::Base, kHref);
    } else if (wants_.resources) {
        if (is(u"link"sv)) {
            if (HasToken(valueOf(kRel), u"stylesheet"sv))
                add(Element::Stylesheet, kHref);
            else if (!NamesOnlyOrigins(valueOf(kRel)))
                add(Element::Link, kHref);
        } else if (is(u"script"sv)) {
            add(Element::Script, kSrc);
        } else if (is(u"source"sv)) {
            add(Element::Source, kSrc);
            add(Element::Srcset, kSrcset);
        } else if (is(u"iframe"sv)) {
            add(Element::IFrame, kSrc);
        } else if (is(u"frame"sv)) {
            add(Element::Frame, kSrc);
        } else if (is(u"area"sv)) {
            add(Element::Area, kHref);
        } else if (is(u"video"sv)) {
            add(Element::Video, kSrc);
            add(Element::Video, kPoster);
        } else if (is(u"audio"sv)) {
            add(Element::Audio, kSrc);
        } else if (is(u"track"sv)) {
            add(Element::Track, kSrc);
        } else if (is(u"object"sv)) {
            add(Element::Object, kData);
        } else if (is(u"embed"sv)) {
            add(Element::Embed, kSrc);
        } else if (is(u"input"sv)) {
            if (EqualsNoCase(valueOf(kType), u"image"sv))
                add(Element::Input, kSrc);
        } else if (is(u"meta"sv)) {
            if (EqualsNoCase(valueOf(kHttpEquiv), u"refresh"sv))
                add(Element::Refresh, kContent);
        }
    }
    if (wants_.ids)
        add(Element::Id, kId);
    if (wants_.resources)
        add(Element::StyleAttribute, kStyle);
    // At most a few: sorted in place by where each is written.
    for (std::size_t i = 1; i < count; ++i)
        for (std::size_t j = i; j > 0 && found[j].value.offset < found[j - 1].value.offset; --j)
            std::swap(found[j], found[j - 1]);
    for (std::size_t i = 0; i < count; ++i)
        if (!onValue(found[i].element, found[i].value.offset, found[i].value.length))
            return false;
    return true;
}

}  // namespace pardovane
