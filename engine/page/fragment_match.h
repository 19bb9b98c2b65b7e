#pragma once

#include "engine/page/id_set.h"

#include <string_view>

namespace pardovane {

// Whether a link's fragment (the text after "#" as the link resolved it, not
// percent-decoded) names a place in a page with these ids, as HTML finds
// the indicated part of a document: the empty fragment and "top" (any case)
// always do; otherwise an id equal to the fragment as written, or to it
// percent-decoded and read as UTF-8.
bool FragmentFound(const IdSet& ids, std::u16string_view fragment);

}  // namespace pardovane
