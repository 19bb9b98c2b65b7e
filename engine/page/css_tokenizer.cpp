#include "engine/page/css_tokenizer.h"

#include "engine/page/ascii.h"
#include "engine/page/utf_convert.h"

namespace pardovane {
namespace {

constexpr char32_t kEof = 0x110000;
constexpr char16_t kReplacement = 0xFFFD;

bool IsNewline(char32_t c)
{
    return c == U'\n' || c == U'\r' || c == U'\f';
}

bool IsWhitespace(char32_t c)
{
    return IsNewline(c) || c == U'\t' || c == U' ';
}

bool IsDigit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

bool IsNameStart(char32_t c)
{
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || c == U'_' || (c >= 0x80 && c != kEof);
}

bool IsNameCodePoint(char32_t c)
{
    return IsNameStart(c) || IsDigit(c) || c == U'-';
}

// Characters that make an unquoted url( ) bad. NUL is not among them: it
// reads as U+FFFD.
bool IsNonPrintable(char32_t c)
{
    return (c >= 0x01 && c <= 0x08) || c == 0x0B || (c >= 0x0E && c <= 0x1F) || c == 0x7F;
}

void AppendCodePoint(std::u16string& out, char32_t c)
{
    if (c >= 0x10000) {
        out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

}  // namespace

// A UTF-16 unit, with NUL read as U+FFFD; surrogates stay as they are, since
// both halves of a pair class as non-ASCII, which is all the rules ask.
char32_t CssTokenizer::At(std::size_t i) const
{
    if (i >= css_.size())
        return kEof;
    return css_[i] == 0 ? kReplacement : css_[i];
}

bool CssTokenizer::IsValidEscape(std::size_t i) const
{
    return At(i) == U'\\' && !IsNewline(At(i + 1));
}

bool CssTokenizer::StartsIdent(std::size_t i) const
{
    const char32_t c = At(i);
    if (c == U'-')
        return IsNameStart(At(i + 1)) || At(i + 1) == U'-' || IsValidEscape(i + 1);
    return IsNameStart(c) || IsValidEscape(i);
}

bool CssTokenizer::StartsNumber(std::size_t i) const
{
    char32_t c = At(i);
    if (c == U'+' || c == U'-')
        c = At(++i);
    return IsDigit(c) || (c == U'.' && IsDigit(At(i + 1)));
}

void CssTokenizer::SkipComments()
{
    while (At(pos_) == U'/' && At(pos_ + 1) == U'*') {
        const std::size_t end = css_.find(u"*/", pos_ + 2);
        pos_ = end == std::u16string_view::npos ? css_.size() : end + 2;
    }
}

void CssTokenizer::SkipNewline()
{
    pos_ += At(pos_) == U'\r' && At(pos_ + 1) == U'\n' ? 2 : 1;
}

// One code point as text holds it: a surrogate pair whole, NUL and a lone
// surrogate as U+FFFD.
void CssTokenizer::TakeCodePoint(std::u16string& out)
{
    if (StartsSurrogatePair(css_, pos_)) {
        out += css_.substr(pos_, 2);
        pos_ += 2;
        return;
    }
    const char16_t c = css_[pos_++];
    out += c == 0 || (c >= 0xD800 && c <= 0xDFFF) ? kReplacement : c;
}

// After a backslash: up to six hex digits and one whitespace after them, or
// the character itself.
void CssTokenizer::ConsumeEscape(std::u16string& out)
{
    if (At(pos_) == kEof) {
        out += kReplacement;
        return;
    }
    if (AsciiHexValue(At(pos_)) < 0) {
        TakeCodePoint(out);
        return;
    }
    char32_t value = 0;
    for (int digits = 0; digits < 6 && AsciiHexValue(At(pos_)) >= 0; ++digits)
        value = value * 16 + static_cast<char32_t>(AsciiHexValue(At(pos_++)));
    if (IsWhitespace(At(pos_)))
        SkipNewline();  // a space or tab is one unit; CR LF is one newline
    const bool invalid = value == 0 || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF;
    AppendCodePoint(out, invalid ? kReplacement : value);
}

void CssTokenizer::ConsumeIdentSequence(std::u16string& out)
{
    while (true) {
        if (IsNameCodePoint(At(pos_))) {
            TakeCodePoint(out);
        } else if (IsValidEscape(pos_)) {
            ++pos_;
            ConsumeEscape(out);
        } else {
            return;
        }
    }
}

void CssTokenizer::ConsumeString(char32_t quote)
{
    token_.offset = ++pos_;
    while (true) {
        const char32_t c = At(pos_);
        if (c == kEof || c == quote) {
            token_.length = pos_ - token_.offset;
            Produce(CssToken::Kind::String, c == quote ? 1 : 0);
            return;
        }
        if (IsNewline(c)) {  // left for the next token
            Produce(CssToken::Kind::BadString);
            return;
        }
        if (c != U'\\') {
            TakeCodePoint(token_.value);
        } else if (At(++pos_) == kEof) {
            // A backslash at the very end stands for nothing.
        } else if (IsNewline(At(pos_))) {
            SkipNewline();  // the string continues on the next line
        } else {
            ConsumeEscape(token_.value);
        }
    }
}

void CssTokenizer::ConsumeNumeric()
{
    if (At(pos_) == U'+' || At(pos_) == U'-')
        ++pos_;
    while (IsDigit(At(pos_)))
        ++pos_;
    if (At(pos_) == U'.' && IsDigit(At(pos_ + 1)))
        for (++pos_; IsDigit(At(pos_));)
            ++pos_;
    const char32_t e = At(pos_);
    const char32_t sign = At(pos_ + 1);
    if ((e == U'e' || e == U'E')
        && (IsDigit(sign) || ((sign == U'+' || sign == U'-') && IsDigit(At(pos_ + 2)))))
        for (pos_ += 2; IsDigit(At(pos_));)
            ++pos_;
    if (StartsIdent(pos_))
        ConsumeIdentSequence(scratch_);  // a dimension's unit: "10url(x)" is no url
    else if (At(pos_) == U'%')
        ++pos_;
    Produce(CssToken::Kind::Other);
}

void CssTokenizer::ConsumeIdentLike()
{
    ConsumeIdentSequence(token_.value);
    if (At(pos_) != U'(') {
        Produce(CssToken::Kind::Ident);
        return;
    }
    ++pos_;
    if (token_.value.size() == 3 && StartsWithNoCase(std::u16string_view(token_.value), u"url")) {
        while (IsWhitespace(At(pos_)) && IsWhitespace(At(pos_ + 1)))
            ++pos_;
        const char32_t next = IsWhitespace(At(pos_)) ? At(pos_ + 1) : At(pos_);
        if (next != U'"' && next != U'\'') {
            ConsumeUrl();
            return;
        }
    }
    Produce(CssToken::Kind::Function);
}

void CssTokenizer::ConsumeUrl()
{
    token_.value.clear();
    while (IsWhitespace(At(pos_)))
        ++pos_;
    token_.offset = pos_;
    token_.length = 0;
    while (true) {
        const char32_t c = At(pos_);
        if (c == kEof || c == U')') {
            token_.length = pos_ - token_.offset;
            Produce(CssToken::Kind::Url, c == U')' ? 1 : 0);
            return;
        }
        if (IsWhitespace(c)) {
            token_.length = pos_ - token_.offset;
            while (IsWhitespace(At(pos_)))
                ++pos_;
            if (At(pos_) == kEof || At(pos_) == U')') {
                Produce(CssToken::Kind::Url, At(pos_) == U')' ? 1 : 0);
                return;
            }
        } else if (c == U'\\' && IsValidEscape(pos_)) {
            ++pos_;
            ConsumeEscape(token_.value);
            continue;
        } else if (c != U'"' && c != U'\'' && c != U'(' && c != U'\\' && !IsNonPrintable(c)) {
            TakeCodePoint(token_.value);
            continue;
        }
        ConsumeBadUrlRemnants();
        return;
    }
}

// Up to and including the ")" that ends a bad url( ), an escaped ")" not.
void CssTokenizer::ConsumeBadUrlRemnants()
{
    while (At(pos_) != kEof && At(pos_) != U')') {
        if (IsValidEscape(pos_)) {
            ++pos_;
            ConsumeEscape(scratch_);
        } else {
            ++pos_;
        }
    }
    token_.value.clear();
    token_.offset = token_.length = 0;
    Produce(CssToken::Kind::BadUrl, At(pos_) == U')' ? 1 : 0);
}

void CssTokenizer::Produce(CssToken::Kind kind, std::size_t length)
{
    token_.kind = kind;
    pos_ += length;
}

const CssToken& CssTokenizer::Next()
{
    using Kind = CssToken::Kind;
    SkipComments();
    token_.value.clear();
    scratch_.clear();
    token_.offset = pos_;
    token_.length = 0;
    const char32_t c = At(pos_);
    if (c == kEof) {
        Produce(Kind::Eof);
    } else if (IsWhitespace(c)) {
        while (IsWhitespace(At(pos_)))
            ++pos_;
        Produce(Kind::Whitespace);
    } else if (c == U'"' || c == U'\'') {
        ConsumeString(c);
    } else if (c == U'#') {
        if (IsNameCodePoint(At(pos_ + 1)) || IsValidEscape(pos_ + 1)) {
            ++pos_;
            ConsumeIdentSequence(scratch_);
            Produce(Kind::Other);
        } else {
            Produce(Kind::Other, 1);
        }
    } else if (c == U'(' || c == U')' || c == U'[' || c == U']' || c == U'{' || c == U'}' || c == U';') {
        const Kind kinds[] = {Kind::OpenParen, Kind::CloseParen, Kind::OpenSquare, Kind::CloseSquare,
                              Kind::OpenCurly, Kind::CloseCurly, Kind::Semicolon};
        Produce(kinds[std::u16string_view(u"()[]{};").find(static_cast<char16_t>(c))], 1);
    } else if (StartsNumber(pos_)) {
        ConsumeNumeric();
    } else if (c == U'-' && At(pos_ + 1) == U'-' && At(pos_ + 2) == U'>') {
        Produce(Kind::CdoOrCdc, 3);
    } else if (c == U'<' && css_.substr(pos_ + 1).starts_with(u"!--")) {
        Produce(Kind::CdoOrCdc, 4);
    } else if (c == U'@' && StartsIdent(pos_ + 1)) {
        ++pos_;
        ConsumeIdentSequence(token_.value);
        Produce(Kind::AtKeyword);
    } else if (StartsIdent(pos_)) {
        ConsumeIdentLike();
    } else {
        Produce(Kind::Other, StartsSurrogatePair(css_, pos_) ? 2 : 1);
    }
    return token_;
}

}  // namespace pardovane
