#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pardovane {

// One token of CSS, with the parts the link finder reads.
struct CssToken {
    enum class Kind {
        Eof,
        Whitespace,
        Ident,
        Function,   // value: the name, "(" consumed
        AtKeyword,  // value: the name without "@"
        String,     // value and span: the contents
        BadString,  // a string a line end cut off
        Url,        // an unquoted url( ): value and span, ")" consumed
        BadUrl,
        OpenParen,
        CloseParen,
        OpenSquare,
        CloseSquare,
        OpenCurly,
        CloseCurly,
        Semicolon,
        CdoOrCdc,  // "<!--" or "-->"
        Other,     // numbers, hashes, delimiters, commas and colons
    };
    Kind kind = Kind::Eof;
    std::u16string value;  // with escapes resolved
    std::size_t offset = 0;
    std::size_t length = 0;
};

// CSS split into tokens as CSS Syntax Level 3 does, comments dropped. The
// text is read as written: CR, LF and FF each end a line (CR LF as one) and
// NUL or a lone surrogate reads as U+FFFD, so offsets index the text passed.
// Every call moves forward, so any text is read in linear time.
class CssTokenizer {
public:
    explicit CssTokenizer(std::u16string_view css) : css_(css) { }

    // The next token; Kind::Eof at the end, and ever after.
    const CssToken& Next();

private:
    char32_t At(std::size_t i) const;
    bool IsValidEscape(std::size_t i) const;
    bool StartsIdent(std::size_t i) const;
    bool StartsNumber(std::size_t i) const;
    void SkipComments();
    void SkipNewline();
    void TakeCodePoint(std::u16string& out);
    void ConsumeEscape(std::u16string& out);
    void ConsumeIdentSequence(std::u16string& out);
    void ConsumeString(char32_t quote);
    void ConsumeNumeric();
    void ConsumeIdentLike();
    void ConsumeUrl();
    void ConsumeBadUrlRemnants();
    void Produce(CssToken::Kind kind, std::size_t length = 0);

    std::u16string_view css_;
    std::size_t pos_ = 0;
    CssToken token_;
    std::u16string scratch_;  // values nobody reads
};

}  // namespace pardovane
