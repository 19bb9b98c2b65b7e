#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pardovane {

// The final HTTP statuses a user judges good, such as "200-299,403" for a
// site whose bot wall answers 403. By default every status below 400, as
// a browser that follows redirects sees a working link.
class StatusRanges {
public:
    StatusRanges() : ranges_{{100, 399}} { }

    // Statuses (100 to 999) and ranges of them, comma-separated, without
    // blanks; nullopt for anything else.
    static std::optional<StatusRanges> Parse(std::string_view text);

    bool Contains(long status) const;
    // The ranges as Parse reads them back.
    std::string ToString() const;

private:
    std::vector<std::pair<long, long>> ranges_;
};

}  // namespace pardovane
