#include "engine/page/css_links.h"

#include "engine/page/ascii.h"
#include "engine/page/css_tokenizer.h"

#include <optional>

namespace pardovane {
namespace {

using Kind = CssToken::Kind;

bool NameIs(const CssToken& token, std::u16string_view lowerName)
{
    return token.value.size() == lowerName.size()
        && StartsWithNoCase(std::u16string_view(token.value), lowerName);
}

CssLink LinkOf(const CssToken& token)
{
    return {token.offset, token.length, token.value, false};
}

// Reads the token stream as a style sheet's rules, only as far as links
// need: which block each token is in (a stack, not recursion, so nesting
// costs no call depth), where an at-rule's prelude ends, and whether an
// @import may still come.
class LinkFinder {
public:
    explicit LinkFinder(std::u16string_view css) : tokens_(css) { }

    std::vector<CssLink> Run()
    {
        while (true) {
            const CssToken& token = tokens_.Next();
            if (!InUrlFunction(token))
                Take(token);
            if (token.kind == Kind::Eof)
                return std::move(links_);
        }
    }

private:
    enum class Prelude { None, Import, Statement, Other };
    enum class UrlFunction { None, WantString, WantClose };

    // url("x"): a function whose only argument is a string. Whether the
    // token is used up here; anything unexpected ends the function's chance.
    bool InUrlFunction(const CssToken& token)
    {
        if (urlFunction_ == UrlFunction::None)
            return false;
        if (token.kind == Kind::Whitespace)
            return true;
        if (urlFunction_ == UrlFunction::WantString && token.kind == Kind::String) {
            urlFunction_ = UrlFunction::WantClose;
            urlArgument_ = LinkOf(token);
            return true;
        }
        const bool closed = token.kind == Kind::Eof
            || (token.kind == Kind::CloseParen && closers_.size() == urlFunctionDepth_);
        if (urlFunction_ == UrlFunction::WantClose && closed)
            Found(std::move(urlArgument_), urlFunctionIsImport_);
        else if (brokenUrlDepth_ == 0)
            brokenUrlDepth_ = urlFunctionDepth_;  // nothing inside it is a URL either
        urlFunction_ = UrlFunction::None;
        return false;
    }

    void Take(const CssToken& token)
    {
        if (token.kind == Kind::Whitespace)
            return;
        const bool importTarget = prelude_ == Prelude::Import && wantImportTarget_;
        wantImportTarget_ = false;
        const bool topLevel = closers_.empty();
        if (prelude_ != Prelude::None && token.kind == Kind::Eof) {
            EndPrelude(true);  // the end of the text closes every block
        } else if (prelude_ != Prelude::None && closers_.size() == preludeDepth_) {
            if (token.kind == Kind::Semicolon || (!topLevel && token.kind == closers_.back())) {
                EndPrelude(true);
            } else if (token.kind == Kind::OpenCurly) {
                EndPrelude(false);
            }
        } else if (topLevel && prelude_ == Prelude::None && token.kind != Kind::CdoOrCdc
                   && token.kind != Kind::AtKeyword && token.kind != Kind::Eof) {
            importsAllowed_ = false;  // a style rule starts
        }

        switch (token.kind) {
        case Kind::AtKeyword:
            if (prelude_ == Prelude::None)
                StartPrelude(token);
            break;
        case Kind::Url:
            Found(LinkOf(token), importTarget);
            break;
        case Kind::String:
            if (importTarget)
                Found(LinkOf(token), true);
            break;
        case Kind::Function:
            closers_.push_back(Kind::CloseParen);
            if (NameIs(token, u"url")) {
                urlFunction_ = UrlFunction::WantString;
                urlFunctionDepth_ = closers_.size();
                urlFunctionIsImport_ = importTarget;
            }
            break;
        case Kind::OpenParen:
            closers_.push_back(Kind::CloseParen);
            break;
        case Kind::OpenSquare:
            closers_.push_back(Kind::CloseSquare);
            break;
        case Kind::OpenCurly:
            closers_.push_back(Kind::CloseCurly);
            break;
        case Kind::CloseParen:
        case Kind::CloseSquare:
        case Kind::CloseCurly:
            // A closer no open block waits for is just a token.
            if (!closers_.empty() && closers_.back() == token.kind)
                closers_.pop_back();
            if (closers_.size() < brokenUrlDepth_)
                brokenUrlDepth_ = 0;
            break;
        default:
            break;
        }
    }

    void StartPrelude(const CssToken& atKeyword)
    {
        const bool topLevel = closers_.empty();
        preludeDepth_ = closers_.size();
        if (topLevel && importsAllowed_ && NameIs(atKeyword, u"import")) {
            prelude_ = Prelude::Import;
            wantImportTarget_ = true;
        } else if (topLevel && (NameIs(atKeyword, u"charset") || NameIs(atKeyword, u"layer"))) {
            prelude_ = Prelude::Statement;
        } else {
            prelude_ = Prelude::Other;
            if (topLevel)
                importsAllowed_ = false;
        }
    }

    // statement: the rule ended with ";" (or the text or its block did),
    // not with a block of its own.
    void EndPrelude(bool statement)
    {
        if (prelude_ == Prelude::Import && statement && pendingImport_)
            links_.push_back(std::move(*pendingImport_));
        else if (prelude_ == Prelude::Import || !statement)
            importsAllowed_ = false;  // an @import with no sheet, or a rule with a block
        pendingImport_.reset();
        prelude_ = Prelude::None;
    }

    void Found(CssLink link, bool importTarget)
    {
        if (link.url.empty() || brokenUrlDepth_ != 0)
            return;
        if (importTarget) {
            link.import = true;
            pendingImport_ = std::move(link);  // if its rule ends as an @import should
        } else if (prelude_ == Prelude::None) {
            links_.push_back(std::move(link));
        }
    }

    CssTokenizer tokens_;
    std::vector<CssLink> links_;
    std::vector<Kind> closers_;  // of the blocks open, innermost last
    bool importsAllowed_ = true;
    Prelude prelude_ = Prelude::None;
    std::size_t preludeDepth_ = 0;
    bool wantImportTarget_ = false;
    std::optional<CssLink> pendingImport_;
    UrlFunction urlFunction_ = UrlFunction::None;
    std::size_t urlFunctionDepth_ = 0;
    bool urlFunctionIsImport_ = false;
    std::size_t brokenUrlDepth_ = 0;  // of a url( ) with more than a string in it
    CssLink urlArgument_;
};

}  // namespace

std::vector<CssLink> CssLinks(std::u16string_view css)
{
    return LinkFinder(css).Run();
}

}  // namespace pardovane
