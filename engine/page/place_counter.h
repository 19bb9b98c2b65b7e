#pragma once

#include "engine/page/text_place.h"

#include <cstddef>
#include <string_view>

namespace pardovane {

// Turns 0-based UTF-16 offsets of one text into lines and columns, counting
// on from the last offset asked: a page's links come in page order, so a
// whole page costs one pass however many links it has. An offset before the
// last one counts again from the start. Nothing is counted until asked, so
// a report that shows no places costs nothing. The text must outlive it.
class PlaceCounter {
public:
    explicit PlaceCounter(std::u16string_view text) : text_(text) { }

    // An offset past the end counts as the end.
    TextPlace At(std::size_t offset);

private:
    std::u16string_view text_;
    std::size_t pos_ = 0;        // counted up to here
    std::uint32_t line_ = 1;     // at pos_
    std::size_t lineStart_ = 0;  // where that line begins
    std::size_t pairs_ = 0;      // surrogate pairs between lineStart_ and pos_, one character each
};

}  // namespace pardovane
