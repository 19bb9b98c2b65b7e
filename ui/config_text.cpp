#include "ui/config_text.h"

#include <cstdio>

namespace pardovane {
namespace {

constexpr std::string_view kSpace = " \t";

std::size_t LineEnd(const std::string& text, std::size_t from)
{
    const std::size_t end = text.find('\n', from);
    return end == std::string::npos ? text.size() : end + 1;
}

// How many brackets a value's line leaves open, outside strings and comments.
int OpenBrackets(std::string_view line)
{
    int open = 0;
    char quote = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quote != 0) {
            if (c == '\\' && quote == '"')
                ++i;
            else if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '#') {
            break;
        } else if (c == '[') {
            ++open;
        } else if (c == ']') {
            --open;
        }
    }
    return open;
}

bool IsTableHeader(std::string_view line)
{
    const std::size_t first = line.find_first_not_of(kSpace);
    return first != std::string_view::npos && line[first] == '[';
}

}  // namespace

std::size_t ConfigText::TopLevelEnd() const
{
    for (std::size_t at = 0; at < text_.size(); at = LineEnd(text_, at))
        if (IsTableHeader(std::string_view(text_).substr(at, LineEnd(text_, at) - at)))
            return at;
    return text_.size();
}

ConfigText::Span ConfigText::Find(std::string_view key) const
{
    const std::size_t top = TopLevelEnd();
    for (std::size_t at = 0; at < top; at = LineEnd(text_, at)) {
        const std::string_view line = std::string_view(text_).substr(at, LineEnd(text_, at) - at);
        std::size_t name = line.find_first_not_of(kSpace);
        if (name == std::string_view::npos || line.substr(name, key.size()) != key)
            continue;
        const std::size_t equals = line.find_first_not_of(kSpace, name + key.size());
        if (equals == std::string_view::npos || line[equals] != '=')
            continue;
        // An array may go on over the lines below.
        std::size_t end = LineEnd(text_, at);
        int open = OpenBrackets(line.substr(equals + 1));
        while (open > 0 && end < top) {
            const std::size_t next = LineEnd(text_, end);
            open += OpenBrackets(std::string_view(text_).substr(end, next - end));
            end = next;
        }
        return {at, end};
    }
    return {std::string::npos, std::string::npos};
}

void ConfigText::Set(std::string_view key, std::string_view value)
{
    const std::string line = std::string(key) + " = " + std::string(value) + "\n";
    const Span found = Find(key);
    if (found.begin != std::string::npos) {
        text_.replace(found.begin, found.end - found.begin, line);
        return;
    }
    std::size_t at = TopLevelEnd();
    if (at == text_.size() && !text_.empty() && text_.back() != '\n')
        text_ += '\n', at = text_.size();
    text_.insert(at, line);
}

void ConfigText::Remove(std::string_view key)
{
    const Span found = Find(key);
    if (found.begin != std::string::npos)
        text_.erase(found.begin, found.end - found.begin);
}

std::string ConfigText::Quoted(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + '"';
}

}  // namespace pardovane
