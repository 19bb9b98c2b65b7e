#include "engine/page/markdown_page.h"

#include "engine/page/ascii.h"
#include "engine/page/url_parts.h"

#include <string>

namespace pardovane {
namespace {

bool EndsWithNoCase(std::u16string_view text, std::u16string_view lowerSuffix)
{
    return text.size() >= lowerSuffix.size()
        && StartsWithNoCase(text.substr(text.size() - lowerSuffix.size()), lowerSuffix);
}

}  // namespace

bool IsMarkdownPath(std::u16string_view url)
{
    std::u16string_view path = url.find(u"://") == std::u16string_view::npos ? url : PathOf(url);
    path = path.substr(0, path.find_first_of(u"?#"));
    return EndsWithNoCase(path, u".md") || EndsWithNoCase(path, u".markdown");
}

bool IsMarkdownText(std::string_view contentType, std::u16string_view url)
{
    std::string type = AsciiLowered(contentType.substr(0, contentType.find(';')));
    std::erase_if(type, [](char c) { return c == ' ' || c == '\t'; });
    if (type == "text/markdown" || type == "text/x-markdown")
        return true;
    return (type.empty() || type == "text/plain" || type == "application/octet-stream")
        && IsMarkdownPath(url);
}

}  // namespace pardovane
