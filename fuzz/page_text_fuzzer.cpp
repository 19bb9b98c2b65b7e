// The page-text decoder over any body and any Content-Type: it always gives
// text, the same text twice (no shift state leaks between pages), and valid
// UTF-8 declared as such comes back unchanged.

#include "engine/page/page_text_decoder.h"
#include "fuzz_check.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pardovane;
    FuzzedDataProvider input(data, size);
    const std::string contentType = input.ConsumeRandomLengthString(120);
    const std::string body = input.ConsumeRemainingBytesAsString();

    fuzz::Require(!DetectPageCharset(body, contentType).empty(), "a charset is always chosen");
    const std::u16string text = DecodePageText(body, contentType);
    fuzz::Require(DecodePageText(body, contentType) == text, "decoding is repeatable");
    // No decoder turns a byte into more than a couple of units.
    fuzz::Require(text.size() <= 4 * body.size() + 4, "text stays proportional to the body");

    if (IsValidUtf8(body)) {
        const std::string_view expected = std::string_view(body).starts_with("\xEF\xBB\xBF")
            ? std::string_view(body).substr(3)
            : std::string_view(body);
        fuzz::Require(Utf16ToUtf8(DecodePageText(body, "text/html; charset=utf-8")) == expected,
                      "declared UTF-8 is kept as written");
    }
    return 0;
}
