#include "engine/page/url_parts.h"

#include "engine/page/ascii.h"

namespace pardovane {
namespace {

// Where the host part of url begins and ends; npos when it has none.
std::pair<std::size_t, std::size_t> Authority(std::u16string_view url)
{
    const std::size_t marker = url.find(u"://");
    if (marker == std::u16string_view::npos || marker == 0)
        return {std::u16string_view::npos, std::u16string_view::npos};
    const std::size_t begin = marker + 3;
    const std::size_t end = url.find_first_of(u"/?#", begin);
    return {begin, end == std::u16string_view::npos ? url.size() : end};
}

}  // namespace

std::u16string OriginOf(std::u16string_view url)
{
    const auto [begin, end] = Authority(url);
    if (begin == std::u16string_view::npos)
        return {};
    std::u16string_view host = url.substr(begin, end - begin);
    if (const std::size_t at = host.rfind(u'@'); at != std::u16string_view::npos)
        host.remove_prefix(at + 1);
    std::u16string origin(url.substr(0, begin));
    origin += host;
    for (char16_t& c : origin)
        c = AsciiLower(c);
    return origin;
}

std::u16string_view PathOf(std::u16string_view url)
{
    const auto [begin, end] = Authority(url);
    if (begin == std::u16string_view::npos || end == url.size())
        return u"/";
    return url.substr(end);
}

std::u16string DirectoryOf(std::u16string_view url)
{
    const auto [begin, end] = Authority(url);
    if (begin == std::u16string_view::npos)
        return std::u16string(url.substr(0, url.rfind(u'/') + 1));
    const std::size_t pathEnd = std::min(url.find_first_of(u"?#", end), url.size());
    const std::size_t slash = url.substr(0, pathEnd).rfind(u'/');
    if (slash == std::u16string_view::npos || slash < end)
        return std::u16string(url.substr(0, end)) + u"/";
    return std::u16string(url.substr(0, slash + 1));
}

bool IsUnder(std::u16string_view url, std::u16string_view directory)
{
    return PathOf(url).starts_with(PathOf(directory)) && OriginOf(url) == OriginOf(directory);
}

}  // namespace pardovane
