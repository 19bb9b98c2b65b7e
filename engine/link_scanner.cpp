#include "engine/link_scanner.h"

#include "engine/ascii.h"

namespace pardovane {
namespace {

bool EqualsNoCase(std::u16string_view text, std::u16string_view lower)
{
    return text.size() == lower.size() && StartsWithNoCase(text, lower);
}

}  // namespace

void LinkScanner::Scan(std::u16string_view text, const OnValue& onValue)
{
    text_ = text;
    pos_ = 0;
    const std::size_t n = text_.size();
    while ((pos_ = text_.find(u'<', pos_)) != std::u16string_view::npos) {
        const std::u16string_view rest = text_.substr(pos_);
        if (rest.starts_with(u"<!--")) {
            pos_ += 4;
            SkipPast(u"-->");
        } else if (rest.size() > 1 && IsAsciiAlpha(rest[1])) {
            if (!StartTag(onValue))
                return;
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

void LinkScanner::SkipRawText(std::u16string_view lowerEndTag)
{
    for (;;) {
        const std::size_t lt = text_.find(u"</", pos_);
        if (lt == std::u16string_view::npos) {
            pos_ = text_.size();
            return;
        }
        pos_ = lt + 2;
        if (StartsWithNoCase(text_.substr(pos_), lowerEndTag)) {
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

bool LinkScanner::StartTag(const OnValue& onValue)
{
    ++pos_;  // the "<"
    const std::u16string_view name = TagName();
    Element element = Element::Anchor;
    std::u16string_view wanted;
    if (EqualsNoCase(name, u"a")) {
        wanted = u"href";
    } else if (EqualsNoCase(name, u"img")) {
        element = Element::Image;
        wanted = u"src";
    } else if (EqualsNoCase(name, u"base")) {
        element = Element::Base;
        wanted = u"href";
    }
    const bool script = EqualsNoCase(name, u"script");
    const bool style = EqualsNoCase(name, u"style");

    const std::size_t n = text_.size();
    Attribute link;
    for (;;) {
        while (pos_ < n && (IsHtmlSpace(text_[pos_]) || text_[pos_] == u'/'))
            ++pos_;
        if (pos_ >= n)
            return true;  // the page ended inside the tag
        if (text_[pos_] == u'>')
            break;
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
    if (script)
        SkipRawText(u"script");
    else if (style)
        SkipRawText(u"style");
    if (link.found)
        return onValue(element, link.offset, link.length);
    return true;
}

}  // namespace pardovane
