#include "engine/page/place_counter.h"

#include <algorithm>

namespace pardovane {

TextPlace PlaceCounter::At(std::size_t offset)
{
    if (offset < pos_) {
        pos_ = 0;
        line_ = 1;
        lineStart_ = 0;
        pairs_ = 0;
    }
    offset = std::min(offset, text_.size());
    // Most characters are neither a line end nor a surrogate: one compare each.
    for (; pos_ < offset; ++pos_) {
        const char16_t c = text_[pos_];
        if (c > u'\r' && c < 0xDC00)
            continue;
        if (c == u'\n' || c == u'\r') {
            // The LF of a CR LF ends the line the CR ended.
            if (c == u'\r' || pos_ == 0 || text_[pos_ - 1] != u'\r')
                ++line_;
            lineStart_ = pos_ + 1;
            pairs_ = 0;
        } else if (c >= 0xDC00 && c <= 0xDFFF && pos_ > lineStart_ && text_[pos_ - 1] >= 0xD800
                   && text_[pos_ - 1] <= 0xDBFF) {
            ++pairs_;
        }
    }
    return {line_, static_cast<std::uint32_t>(offset - lineStart_ - pairs_ + 1)};
}

}  // namespace pardovane
