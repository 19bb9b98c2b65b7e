#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace pardovane {

// Where a byte of a UTF-8 text is: its 0-based offset in the text as UTF-16
// (as the engine holds it), and its 1-based line and column, the column
// counted in code points. Line ends are LF, CR LF or CR, as CommonMark has them.
struct SourcePlace {
    std::size_t offset = 0;
    std::uint32_t line = 0;
    std::uint32_t column = 0;
};

class SourceLines {
public:
    explicit SourceLines(std::string_view utf8);

    std::uint32_t count() const { return static_cast<std::uint32_t>(starts_.size()); }
    // A 1-based line's bytes without its line end; empty past the last.
    std::string_view Line(std::uint32_t line) const;
    // The byte at a 1-based line and byte column, clamped to the line.
    std::size_t ByteAt(std::uint32_t line, std::uint32_t column) const;
    SourcePlace PlaceOf(std::size_t byte) const;

private:
    std::string_view text_;
    std::vector<std::size_t> starts_;  // each line's first byte
    std::vector<std::size_t> ends_;    // each line's end, before its line end
    std::vector<std::size_t> units_;   // each line's first UTF-16 unit
};

}  // namespace pardovane
