#pragma once

#include "engine/page/link_target.h"

#include <string>
#include <string_view>

namespace pardovane {

// The target of reference resolved against base by RFC 3986 section 5.2,
// strictly (a reference with a scheme is absolute whatever its scheme), dot
// segments removed as whole segments and never above the root. The
// fragment is kept.
std::u16string ResolveReference(std::u16string_view base, std::u16string_view reference);

// RFC 3986's remove_dot_segments.
std::u16string RemoveDotSegments(std::u16string_view path);

// A link's value, as written between its quotes, turned into what the run
// does with it, the way a browser reads an href: character references
// decoded; leading and trailing spaces and controls stripped, tabs and line
// ends inside removed; a "\" before any "?" or "#" read as "/". A link with
// a scheme (a letter, then letters, digits, "+", "-" or ".", then ":") is
// absolute; mailto, javascript, tel, sms and data are skipped. Anything else
// resolves against base. The fragment goes, so a page's own "#top" is the
// page itself. On a page in a legacy charset (the iconv name it was decoded
// from) the query's non-ASCII text is percent-encoded in it (EncodeQueryIn).
LinkTarget TargetOfLink(std::u16string_view written, std::u16string_view base,
                        const std::string& charset = {});

// What a page's links resolve against: its first <base href>, resolved
// against the URL the page came from, else that URL.
std::u16string PageBaseUrl(std::u16string_view pageText, std::u16string_view pageUrl,
                           const std::string& charset = {});

}  // namespace pardovane
