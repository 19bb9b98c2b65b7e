#include "engine/http/wire_origin.h"

#include "engine/page/ascii.h"

#include <charconv>

namespace pardovane {

std::string WireOrigin(std::string_view wireUrl)
{
    const std::size_t marker = wireUrl.find("://");
    if (marker == std::string_view::npos)
        return {};
    std::string origin = AsciiLowered(wireUrl.substr(0, marker));
    if (origin != "http" && origin != "https")
        return {};
    const std::size_t begin = marker + 3;
    std::string_view authority = wireUrl.substr(begin, wireUrl.find_first_of("/?#", begin) - begin);
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    std::string_view host = authority;
    int port = origin == "https" ? 443 : 80;
    if (const std::size_t colon = authority.rfind(':');
        colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
        host = authority.substr(0, colon);
        const std::string_view digits = authority.substr(colon + 1);
        // An empty port is the default one; anything else curl would refuse.
        if (!digits.empty()) {
            const auto [end, failure] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
            if (failure != std::errc() || end != digits.data() + digits.size() || port < 0 || port > 65535)
                return {};
        }
    }
    if (host.empty())
        return {};
    origin += "://";
    for (char c : host)
        origin += AsciiLower(c);
    return origin + ":" + std::to_string(port);
}

std::string HostKey(std::string_view url)
{
    std::size_t end = url.find("://");
    end = end == std::string_view::npos ? 0 : end + 3;
    end = url.find_first_of("/?#", end);
    return AsciiLowered(url.substr(0, end));
}

}  // namespace pardovane
