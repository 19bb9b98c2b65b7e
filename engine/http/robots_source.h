#pragma once

#include "engine/page/robots_rules.h"

#include <optional>
#include <string>
#include <string_view>

namespace pardovane {

// The robots.txt behind a crawl: the run asks for a site's rules, an
// implementation fetches them, once per origin and run.
class RobotsSource {
public:
    virtual ~RobotsSource() = default;
    // origin: scheme, "://", host and port, as OriginOf gives them.
    virtual const RobotsRules& RobotsFor(const std::u16string& origin) = 0;

    // Whether the rules of url's site let a crawler read it.
    bool Allows(std::u16string_view url);
};

// What robots.txt rules are matched against: the path and query of url as
// it is sent; nullopt for a URL that is never requested.
std::optional<std::string> RobotsPathOf(std::u16string_view url);

// The address of the robots.txt of an origin.
std::u16string RobotsUrlOf(const std::u16string& origin);

}  // namespace pardovane
