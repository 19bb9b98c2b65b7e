#pragma once

#include <string>
#include <string_view>

namespace pardovane {

// A configuration file's text, edited one top-level key at a time so that
// everything else in it (comments, other keys, tables) stays as written:
// a key set again keeps its place, a new one goes before the first table.
class ConfigText {
public:
    explicit ConfigText(std::string text) : text_(std::move(text)) { }

    // value is TOML already: true, 12, "text", ["a", "b"].
    void Set(std::string_view key, std::string_view value);
    void Remove(std::string_view key);
    const std::string& text() const { return text_; }

    // The text as a TOML basic string, in quotes.
    static std::string Quoted(std::string_view text);

private:
    struct Span {
        std::size_t begin;
        std::size_t end;  // after the line end
    };
    // Where the key's line (and an array's continuation lines) stands; npos
    // in begin when the key is not at the top level.
    Span Find(std::string_view key) const;
    std::size_t TopLevelEnd() const;

    std::string text_;
};

}  // namespace pardovane
