#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pardovane {

// What a site's robots.txt lets one crawler fetch, read as RFC 9309 says:
// the groups naming the crawler's product token (any letter case), else
// those for "*"; of the rules whose pattern matches a path, the longest
// wins, allow over disallow at equal length; "*" in a pattern stands for
// any text and a final "$" for the end. /robots.txt itself is always
// allowed.
class RobotsRules {
public:
    // Most of what a robots.txt may hold that is read; the rest is ignored.
    static constexpr std::size_t kMaxBytes = std::size_t{512} * 1024;

    static RobotsRules AllowAll() { return {}; }
    static RobotsRules DisallowAll();
    // agent: the crawler's product token, such as "pardovane".
    static RobotsRules Parse(std::string_view text, std::string_view agent);
    // What a crawler does with the answer to its request for robots.txt:
    // the rules of a 2xx body; everything for a 4xx (there are none); nothing
    // when the site could not say (5xx or no answer at all).
    static RobotsRules FromAnswer(long status, std::string_view body, std::string_view agent);

    // path: a URL's path and query as sent, "/" first.
    bool Allows(std::string_view path) const;

private:
    struct Rule {
        std::string pattern;
        bool allow = false;
    };
    std::vector<Rule> rules_;
};

// The product token a User-Agent names, lower-cased: "pardovane" for
// "Pardovane/1.4.0".
std::string ProductToken(std::string_view userAgent);

}  // namespace pardovane
