#include "engine/page/id_set.h"

#include <algorithm>
#include <limits>

namespace pardovane {

void IdSet::Add(std::u16string_view id)
{
    // Offsets are 32-bit to halve the table; a page is far below 4 Gi units,
    // and an id past that is left out rather than stored wrongly.
    constexpr std::size_t kLimit = std::numeric_limits<std::uint32_t>::max();
    if (id.empty() || id.size() > kLimit - chars_.size())
        return;
    entries_.push_back({static_cast<std::uint32_t>(chars_.size()), static_cast<std::uint32_t>(id.size())});
    chars_ += id;
    sealed_ = false;
}

void IdSet::Seal()
{
    if (sealed_)
        return;
    std::sort(entries_.begin(), entries_.end(), [&](Entry a, Entry b) { return Text(a) < Text(b); });
    entries_.erase(
        std::unique(entries_.begin(), entries_.end(), [&](Entry a, Entry b) { return Text(a) == Text(b); }),
        entries_.end());
    // Rewrite the buffer in sorted order without the repeats.
    std::u16string compact;
    compact.reserve(chars_.size());
    for (Entry& entry : entries_) {
        const std::u16string_view text = Text(entry);
        entry.offset = static_cast<std::uint32_t>(compact.size());
        compact += text;
    }
    compact.shrink_to_fit();
    chars_ = std::move(compact);
    entries_.shrink_to_fit();
    sealed_ = true;
}

bool IdSet::Contains(std::u16string_view id) const
{
    if (!sealed_)
        return std::any_of(entries_.begin(), entries_.end(), [&](Entry entry) { return Text(entry) == id; });
    const auto found
        = std::lower_bound(entries_.begin(), entries_.end(), id,
                           [&](Entry entry, std::u16string_view key) { return Text(entry) < key; });
    return found != entries_.end() && Text(*found) == id;
}

std::size_t IdSet::bytes() const
{
    return sizeof(*this) + chars_.capacity() * sizeof(char16_t) + entries_.capacity() * sizeof(Entry);
}

}  // namespace pardovane
