#pragma once

#include "engine/input/list_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace pardovane {

// Which URLs the list names on lines the run has not passed yet, and how
// often, so that a listed page met first as a link is fetched whole, once,
// for its line too. Counted by a hash of the URL, as a long list would
// otherwise be held twice; a collision costs a request, never a verdict.
class ListedPages {
public:
    // Reads the whole list, and the host names of its pages, whose links
    // are the site's own; with origins also their origins (WireOrigin's
    // form), where the user's credentials may go.
    void Count(ListFile list, bool origins);
    // The run passed a line listing url.
    void Pass(const std::u16string& url);
    bool Listed(const std::u16string& url) const;
    bool ListedSite(const std::u16string& url) const;
    const std::unordered_set<std::string>& origins() const { return origins_; }

private:
    std::unordered_map<std::size_t, std::uint32_t> lines_;
    std::unordered_set<std::string> sites_;
    std::unordered_set<std::string> origins_;
};

}  // namespace pardovane
