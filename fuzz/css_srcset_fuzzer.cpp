// The readers of attribute and style sheet values over any text: srcset,
// CSS and refresh spans lie inside the text, in order and never empty; a
// CSS link written without escapes reads as written; and every id added to
// an IdSet is found once it is sealed.

#include "engine/page/css_links.h"
#include "engine/page/fragment_match.h"
#include "engine/page/refresh_url.h"
#include "engine/page/srcset_parser.h"
#include "fuzz_check.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

namespace pardovane::fuzz {
namespace {

bool Within(std::u16string_view text, std::size_t offset, std::size_t length)
{
    return offset <= text.size() && length <= text.size() - offset;
}

// What the tokenizer leaves as written: no escapes, no NUL, no surrogates.
bool Plain(std::u16string_view written)
{
    for (const char16_t c : written)
        if (c == u'\\' || c == 0 || (c >= 0xD800 && c <= 0xDFFF))
            return false;
    return true;
}

void CheckSrcset(std::u16string_view text)
{
    std::size_t end = 0;
    for (const SrcsetCandidate& candidate : SrcsetUrls(text)) {
        Require(Within(text, candidate.offset, candidate.length), "a srcset URL lies within the value");
        Require(candidate.length > 0 && candidate.offset >= end, "srcset URLs are non-empty and in order");
        const std::u16string_view url = text.substr(candidate.offset, candidate.length);
        Require(url.front() != u',' && url.back() != u',', "a srcset URL has no commas around it");
        end = candidate.offset + candidate.length;
    }
}

void CheckCss(std::u16string_view text)
{
    std::size_t end = 0;
    for (const CssLink& link : CssLinks(text)) {
        Require(Within(text, link.offset, link.length), "a CSS link lies within the text");
        Require(link.length > 0 && !link.url.empty(), "a CSS link is never empty");
        Require(link.offset >= end, "CSS links come in text order");
        const std::u16string_view written = text.substr(link.offset, link.length);
        Require(!Plain(written) || link.url == written, "a CSS link without escapes reads as written");
        end = link.offset + link.length;
    }
}

void CheckRefresh(std::u16string_view text)
{
    if (const auto span = RefreshUrl(text))
        Require(span->second > 0 && Within(text, span->first, span->second),
                "a refresh URL lies within the content");
}

// Ids: the text split at spaces, with repeats.
void CheckIds(std::u16string_view text)
{
    std::vector<std::u16string_view> added;
    IdSet ids;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t space = std::min(text.find(u' ', start), text.size());
        added.push_back(text.substr(start, space - start));
        ids.Add(added.back());
        start = space + 1;
    }
    ids.Seal();
    for (const std::u16string_view id : added) {
        Require(id.empty() ? !ids.Contains(id) : ids.Contains(id),
                "every id added is found, and no empty one");
        Require(FragmentFound(ids, id), "a fragment equal to an id is found");
    }
    Require(ids.size() <= added.size(), "repeats are held once");
}

}  // namespace
}  // namespace pardovane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pardovane::fuzz;
    FuzzedDataProvider input(data, size);
    const bool rawUnits = input.ConsumeBool();
    const std::u16string text = TextFrom(input.ConsumeRemainingBytesAsString(), rawUnits);
    CheckSrcset(text);
    CheckCss(text);
    CheckRefresh(text);
    CheckIds(text);
    return 0;
}
