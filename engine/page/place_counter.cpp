#include "engine/page/place_counter.h"

#include <algorithm>

namespace pardovane {

TextPlace PlaceCounter::At(std::size_t offset)
{
    if (offset < pos_) {
        pos_ = 0;
        place_ = {1, 1};
        afterCr_ = false;
    }
    offset = std::min(offset, text_.size());
    for (; pos_ < offset; ++pos_) {
        const char16_t c = text_[pos_];
        if (c == u'\n' || c == u'\r') {
            if (c == u'\r' || !afterCr_) {
                ++place_.line;
                place_.column = 1;
            }
            afterCr_ = c == u'\r';
            continue;
        }
        afterCr_ = false;
        // The low half of a surrogate pair is the same character as its high half.
        const bool lowHalf = c >= 0xDC00 && c <= 0xDFFF && pos_ > 0 && text_[pos_ - 1] >= 0xD800
            && text_[pos_ - 1] <= 0xDBFF;
        if (!lowHalf)
            ++place_.column;
    }
    return place_;
}

}  // namespace pardovane
