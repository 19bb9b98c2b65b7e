#pragma once

#include "engine/page/link_target.h"

#include <string>
#include <string_view>

namespace pardovane {

// Resolution follows RFC 3986 (section 5.2), not the WHATWG URL standard that
// browsers implement. On the links pages hold the two agree; they part where
// the URL standard repairs what RFC 3986 leaves alone: it reads "\" as "/"
// throughout http(s) URLs (here only before "?" and "#", see TargetOfLink),
// treats "http:x" on an http page as relative (here absolute), lower-cases
// hosts and drops a default port (here both as written; the cache keys on
// the text), and percent-decodes "%2e" as a dot segment (here a segment).

// The target of reference resolved against base by RFC 3986 section 5.2,
// strictly (a reference with a scheme is absolute whatever its scheme), dot
// segments removed as whole segments and never above the root. The
// fragment is kept.
std::u16string ResolveReference(std::u16string_view base, std::u16string_view reference);

// A link's value, as written between its quotes, turned into what the run
// does with it, reading the value as HTML does: character references
// decoded; leading and trailing spaces and controls stripped, tabs and line
// ends inside removed; a "\" before any "?" or "#" read as "/". A link with
// a scheme (a letter, then letters, digits, "+", "-" or ".", then ":") is
// absolute. A link that is or resolves to any scheme but http, https and file
// (mailto, ftp, ...) is skipped: nothing else can be checked. Anything else
// resolves against base. The fragment goes to its own field, so a page's
// own "#top" is the page itself. On a page in a legacy charset (the iconv name it was decoded
// from) the query's non-ASCII text is percent-encoded in it (EncodeQueryIn).
LinkTarget TargetOfLink(std::u16string_view written, std::u16string_view base,
                        const std::string& charset = {});

// The same for a URL that is no attribute value, such as one in CSS: no
// character references are decoded.
LinkTarget TargetOfUrl(std::u16string_view url, std::u16string_view base, const std::string& charset = {});

// What a page's links resolve against: its first <base href>, resolved
// against the URL the page came from, else that URL.
std::u16string PageBaseUrl(std::u16string_view pageText, std::u16string_view pageUrl,
                           const std::string& charset = {});

}  // namespace pardovane
