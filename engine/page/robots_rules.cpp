#include "engine/page/robots_rules.h"

#include "engine/page/ascii.h"
#include "engine/page/percent_encoding.h"

namespace pardovane {
namespace {

// Non-ASCII bytes as %XX, and %xx in upper case, as paths go on the wire.
std::string Normalised(std::string_view pattern)
{
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const auto byte = static_cast<unsigned char>(pattern[i]);
        if (byte >= 0x80) {
            AppendPercentEncoded(out, pattern.substr(i, 1));
        } else if (pattern[i] == '%' && i + 2 < pattern.size()) {
            out += '%';
            for (std::size_t k = 1; k <= 2; ++k) {
                const char c = pattern[i + k];
                out += c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
            }
            i += 2;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

// Whether pattern ("*" any text, a final "$" the end) matches the start of path.
bool Matches(std::string_view pattern, std::string_view path)
{
    const bool anchored = pattern.ends_with('$');
    if (anchored)
        pattern.remove_suffix(1);
    // The last "*" seen, and where in path its stretch now ends: greedy
    // matching with one step back, linear for patterns without many stars.
    std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    while (t < path.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == path[t]) {
            ++p, ++t;
        } else if (p == pattern.size() && !anchored) {
            return true;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

}  // namespace

RobotsRules RobotsRules::DisallowAll()
{
    RobotsRules rules;
    rules.rules_.push_back({"/", false});
    return rules;
}

std::string ProductToken(std::string_view userAgent)
{
    std::string token;
    for (char c : userAgent) {
        if (!IsAsciiAlpha(c) && c != '_' && c != '-')
            break;
        token += AsciiLower(c);
    }
    return token;
}

RobotsRules RobotsRules::Parse(std::string_view text, std::string_view agent)
{
    text = text.substr(0, kMaxBytes);
    const std::string token = AsciiLowered(agent);
    RobotsRules mine, everyone;
    bool forMe = false, forEveryone = false, foundMine = false;
    bool inAgents = false;  // the previous line named an agent
    while (!text.empty()) {
        const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        line = line.substr(0, line.find('#'));
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string key = AsciiLowered(AsciiTrimmed(line.substr(0, colon)));
        const std::string_view value = AsciiTrimmed(line.substr(colon + 1));
        if (key == "user-agent") {
            if (!inAgents)
                forMe = forEveryone = false;
            inAgents = true;
            const std::string name = ProductToken(value);
            forMe = forMe || (!name.empty() && name == token);
            forEveryone = forEveryone || value == "*";
            foundMine = foundMine || forMe;
            continue;
        }
        inAgents = false;
        if ((key != "allow" && key != "disallow") || value.empty())
            continue;
        const Rule rule{Normalised(value), key == "allow"};
        if (forMe)
            mine.rules_.push_back(rule);
        if (forEveryone)
            everyone.rules_.push_back(rule);
    }
    return foundMine ? mine : everyone;
}

RobotsRules RobotsRules::FromAnswer(long status, std::string_view body, std::string_view agent)
{
    if (status >= 200 && status < 300)
        return Parse(body, agent);
    if (status >= 400 && status < 500)
        return AllowAll();
    return DisallowAll();
}

bool RobotsRules::Allows(std::string_view path) const
{
    if (path == "/robots.txt")
        return true;
    const Rule* best = nullptr;
    for (const Rule& rule : rules_) {
        if (!Matches(rule.pattern, path))
            continue;
        if (!best || rule.pattern.size() > best->pattern.size()
            || (rule.pattern.size() == best->pattern.size() && rule.allow))
            best = &rule;
    }
    return !best || best->allow;
}

}  // namespace pardovane
