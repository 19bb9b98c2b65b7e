#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pardovane {

// The ids (and <a name>s) of one page, kept compact: one page may hold a
// million. All ids sit in one buffer, found through a sorted table of
// offsets, so a lookup compares text and never wrongly says "present".
class IdSet {
public:
    void Add(std::u16string_view id);  // empty ids are ignored
    // After the last Add: sorts, drops repeats and gives back spare memory.
    // Contains is right before it too, only slow.
    void Seal();
    bool Contains(std::u16string_view id) const;
    std::size_t size() const { return entries_.size(); }  // distinct ids, once sealed
    std::size_t bytes() const;                            // memory held, roughly

private:
    struct Entry {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };
    std::u16string_view Text(Entry entry) const
    {
        return std::u16string_view(chars_).substr(entry.offset, entry.length);
    }

    std::u16string chars_;
    std::vector<Entry> entries_;
    bool sealed_ = true;
};

}  // namespace pardovane
