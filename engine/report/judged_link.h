#pragma once

#include "engine/page/link_element.h"
#include "engine/page/text_place.h"

#include <string>

namespace pardovane {

// One link occurrence as the run judged it.
struct JudgedLink {
    const std::u16string& text;  // as written in the page, or in its stylesheet
    const std::u16string& url;   // as probed
    bool good = false;
    LinkElement element = LinkElement::Anchor;
    // The stylesheet it is written in, as probed; null when it is the page's.
    const std::u16string* sheet = nullptr;
    // Its target answered well but holds no place its #fragment names.
    bool fragmentMissing = false;
    // Good, and its answer carries a warning.
    bool warned = false;
    // Where its value begins in the page, or in its stylesheet.
    TextPlace place = {};
};

}  // namespace pardovane
