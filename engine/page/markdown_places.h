#pragma once

#include "engine/page/heading_slugs.h"
#include "engine/page/id_set.h"
#include "engine/page/markdown_source.h"

#include <cstdint>
#include <string_view>

namespace pardovane {

// The places a #fragment may name in a Markdown file as GitHub shows it: each
// heading's anchor (see HeadingSlugs) and each id and <a name> of its raw HTML.
IdSet MarkdownIds(const MarkdownSource& source, HeadingSlugs::Rules rules = HeadingSlugs::Rules::Github);

// Whether a fragment names a place in a Markdown file of lines lines with
// these ids: one a page's would (see FragmentFound), the same in lower case
// (GitHub finds a heading's anchor in any case), or one of GitHub's line
// anchors, "L10" or "L10-L20", within the file.
bool MarkdownFragmentFound(const IdSet& ids, std::uint32_t lines, std::u16string_view fragment);

}  // namespace pardovane
