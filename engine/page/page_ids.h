#pragma once

#include "engine/page/id_set.h"

#include <string_view>

namespace pardovane {

// The places a link's #fragment may name in a page: every element's id and
// every <a name>, their character references decoded.
IdSet PageIds(std::u16string_view pageText);
// The same, added to ids, which are left unsealed.
void AddPageIds(IdSet& ids, std::u16string_view pageText);

}  // namespace pardovane
