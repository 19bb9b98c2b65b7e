#include "engine/fetch/answer_cache.h"

#include "engine/page/utf_convert.h"

#include <algorithm>
#include <charconv>

namespace pardovane {
namespace {

constexpr std::string_view kHeader = "pardovane answer cache 1\n";
constexpr std::string_view kEnd = "end ";

template <typename Number>
std::optional<Number> Parse(std::string_view text, Number low, Number high)
{
    Number value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || failure != std::errc() || end != text.data() + text.size() || value < low
        || value > high)
        return std::nullopt;
    return value;
}

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (std::size_t tab; (tab = line.find('\t')) != std::string_view::npos; line.remove_prefix(tab + 1))
        fields.push_back(line.substr(0, tab));
    fields.push_back(line);
    return fields;
}

// A field may hold no tab or line end of its own.
bool FitsAField(std::string_view text)
{
    return !text.empty() && text.find_first_of("\t\r\n") == std::string_view::npos;
}

}  // namespace

bool AnswerCache::Read(std::string_view text)
{
    if (!text.starts_with(kHeader))
        return false;
    text.remove_prefix(kHeader.size());
    std::unordered_map<std::u16string, Entry> read;
    std::size_t lines = 0;
    for (;;) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return false;  // cut before its last line
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (line.starts_with(kEnd)) {
            if (!text.empty() || Parse<std::size_t>(line.substr(kEnd.size()), 0, lines) != lines)
                return false;
            break;
        }
        ++lines;
        const std::vector<std::string_view> fields = Fields(line);
        if (fields.size() < 3 || fields.size() % 2 == 0 || fields[2].empty())
            return false;
        Entry entry;
        const auto askedAt = Parse<std::int64_t>(fields[0], 0, INT64_MAX);
        const auto status = Parse<long>(fields[1], 100, 999);
        if (!askedAt || !status)
            return false;
        entry.askedAt = *askedAt;
        entry.status = *status;
        for (std::size_t i = 3; i < fields.size(); i += 2) {
            const auto hop = Parse<long>(fields[i], 300, 399);
            if (!hop || fields[i + 1].empty())
                return false;
            entry.redirects.push_back({*hop, std::string(fields[i + 1])});
        }
        if (IsFresh(entry))
            read[Utf8ToUtf16(fields[2])] = std::move(entry);
    }
    for (auto& [url, entry] : read)
        entries_.insert_or_assign(url, std::move(entry));
    return true;
}

bool AnswerCache::IsFresh(const Entry& entry) const
{
    const auto age
        = std::chrono::duration_cast<std::chrono::seconds>(now_.time_since_epoch()).count() - entry.askedAt;
    // One from the future was written by a clock gone wrong: not to be trusted.
    return age >= 0 && age < maxAge_.count();
}

std::optional<ProbeResult> AnswerCache::Fresh(const std::u16string& url, const VerdictRules& rules) const
{
    const auto found = entries_.find(url);
    if (found == entries_.end() || !IsFresh(found->second))
        return std::nullopt;
    ProbeResult result;
    result.status = found->second.status;
    result.redirects = found->second.redirects;
    rules.Judge(result);
    if (!result.good())
        return std::nullopt;
    return result;
}

void AnswerCache::Remember(const std::u16string& url, const ProbeResult& result)
{
    // A bot wall's answer says nothing of the link, and the wall may be gone
    // by the next run: it is asked again then.
    bool fits = result.good() && result.warning != ProbeWarning::BotWall && FitsAField(Utf16ToUtf8(url));
    for (const Redirect& hop : result.redirects)
        fits = fits && FitsAField(hop.location);
    if (!fits) {
        entries_.erase(url);
        return;
    }
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(now_.time_since_epoch()).count();
    entries_.insert_or_assign(url, Entry{now, result.status, result.redirects});
}

std::string AnswerCache::Text() const
{
    std::vector<std::pair<std::string, const Entry*>> lines;
    for (const auto& [url, entry] : entries_)
        if (IsFresh(entry))
            lines.emplace_back(Utf16ToUtf8(url), &entry);
    std::sort(lines.begin(), lines.end());
    std::string text(kHeader);
    for (const auto& [url, entry] : lines) {
        text += std::to_string(entry->askedAt) + '\t' + std::to_string(entry->status) + '\t' + url;
        for (const Redirect& hop : entry->redirects)
            text += '\t' + std::to_string(hop.status) + '\t' + hop.location;
        text += '\n';
    }
    return text + std::string(kEnd) + std::to_string(lines.size()) + "\n";
}

}  // namespace pardovane
