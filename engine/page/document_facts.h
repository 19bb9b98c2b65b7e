#pragma once

#include "engine/page/id_set.h"
#include "engine/page/page_links.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pardovane {

// What a run keeps of a document it fetched for its content rather than for
// its verdict alone: never the text, only what links ask of it.
struct DocumentFacts {
    // The final answer was an HTML page; ids are its places (see PageIds),
    // kept when fragments are checked.
    bool html = false;
    // A Markdown text instead (see IsMarkdownText): ids are its places (see
    // MarkdownIds), and a line anchor may name any of its lines.
    bool markdown = false;
    std::uint32_t lines = 0;
    IdSet ids;
    // A stylesheet's url()s and @imports, each with the text it is written
    // as, resolved against where the stylesheet finally came from.
    std::vector<PageLink> sheetLinks;
};

using DocumentFactsPtr = std::shared_ptr<const DocumentFacts>;

}  // namespace pardovane
