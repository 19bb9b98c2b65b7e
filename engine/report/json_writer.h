#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pardovane {

// Builds one JSON document, indented two spaces a level, in UTF-8. Commas and
// line breaks are placed by the writer; callers say only what comes next.
// Every string is escaped so that the document is valid whatever the text
// holds (see JsonQuoted).
class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // Names the next value of the current object.
    void Key(std::string_view name);

    void String(std::u16string_view text);
    // UTF-8; invalid sequences become U+FFFD.
    void String(std::string_view utf8);
    void String(const char* utf8) { String(std::string_view(utf8)); }
    void Number(std::int64_t value);
    void Bool(bool value);
    void Null();

    // The document so far, or since the last TakeText; complete once every container is closed.
    const std::string& text() const { return out_; }
    // The text so far, handed over; what follows starts afresh.
    std::string TakeText() { return std::exchange(out_, {}); }

private:
    void BeforeValue();
    void Begin(char open);
    void End(char close);
    void NewLine();

    std::string out_;
    // Per open container: whether it has no member yet.
    std::vector<bool> levelEmpty_;
    bool afterKey_ = false;
};

// text as a quoted JSON string. Quotes, backslashes and every control
// character (C0, DEL, C1) are escaped, as are U+2028 and U+2029, which some
// JavaScript readers take for line ends; a lone surrogate becomes U+FFFD.
// Everything else, Japanese included, is written as UTF-8.
std::string JsonQuoted(std::u16string_view text);

}  // namespace pardovane
