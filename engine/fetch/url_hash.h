#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace pardovane {

// What the fetcher keys a URL by where holding its text would cost too much.
inline std::size_t UrlHash(const std::u16string& url)
{
    return std::hash<std::u16string>{}(url);
}

}  // namespace pardovane
