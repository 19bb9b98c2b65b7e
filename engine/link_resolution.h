#pragma once

#include <string>
#include <string_view>

namespace pardovane {

// A link with a ":" anywhere, scheme or not, is taken as a whole URL.
bool IsAbsoluteLink(std::u16string_view link);

// Whether the first seven characters, A-Z lowered, are "mailto:". Such links
// are neither probed nor counted.
bool IsMailtoLink(std::u16string_view link);

// The URL that a relative link names: the base (the page's URL up to its last
// "/") followed by the link, with "../" and "./" removed wherever they stand,
// in the base too and not only as whole segments. The positions of the joined
// text are visited once each, left to right. At a "../" the text before it is
// cut back to the last "/" that precedes the character just before the "../",
// so "/a/b/" + "../x" gives "/a/x"; at a "./" just those two characters go.
// What a removal pulls back behind the cursor is not looked at again, so of
// "../../" only the first goes.
//
// A "../" at the first or second position has no such "/" to cut back to, and
// everything before it goes with it: "../x" and "a../x" both give "x".
std::u16string ResolveLink(std::u16string_view baseUrl, std::u16string_view link);

}  // namespace pardovane
