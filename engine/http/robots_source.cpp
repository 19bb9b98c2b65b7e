#include "engine/http/robots_source.h"

#include "engine/http/request_url.h"
#include "engine/page/url_parts.h"

namespace pardovane {

std::optional<std::string> RobotsPathOf(std::u16string_view url)
{
    auto wire = RequestUrlFor(url);
    auto* text = std::get_if<std::string>(&wire);
    if (!text)
        return std::nullopt;
    const std::size_t marker = text->find("://");
    const std::size_t path = text->find_first_of("/?", marker == std::string::npos ? 0 : marker + 3);
    if (path == std::string::npos)
        return "/";
    // A URL with a query and no path asks for the root's.
    std::string result((*text)[path] == '?' ? "/" : "");
    result.append(*text, path);
    return result;
}

std::u16string RobotsUrlOf(const std::u16string& origin)
{
    return origin + u"/robots.txt";
}

bool RobotsSource::Allows(std::u16string_view url)
{
    const auto path = RobotsPathOf(url);
    return !path || RobotsFor(OriginOf(url)).Allows(*path);
}

}  // namespace pardovane
