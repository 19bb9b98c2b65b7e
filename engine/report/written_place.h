#pragma once

#include "engine/report/run_record.h"

#include <string>

namespace pardovane {

// Where a report says a link is written: in its page or in the stylesheet
// it came from, at its line and column when they are known.
struct WrittenPlace {
    std::u16string document;  // as the reports name it, passwords hidden
    std::u16string file;      // the document's file from the working directory; empty: no file
    std::uint32_t line = 0;
    std::uint32_t column = 0;

    // "document:line:column", or the document alone when the place is not known.
    std::u16string Text() const;
};

WrittenPlace PlaceOf(const PageRecord& page, const LinkRecord& link);

}  // namespace pardovane
