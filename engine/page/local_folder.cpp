#include "engine/page/local_folder.h"

#include "engine/page/ascii.h"
#include "engine/page/markdown_page.h"
#include "engine/page/percent_encoding.h"
#include "engine/page/url_parts.h"
#include "engine/page/utf_convert.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace pardovane {
namespace {

// The path of url under base (which it lies under), in UTF-8, without its
// query and fragment.
std::string Relative(std::u16string_view url, std::u16string_view base)
{
    const std::u16string_view path = PathOf(url).substr(PathOf(base).size());
    return Utf16ToUtf8(path.substr(0, path.find_first_of(u"?#")));
}

}  // namespace

std::optional<LocalFolder> LocalFolder::Open(const std::filesystem::path& dir, std::u16string_view baseUrl,
                                             std::string& error)
{
    std::u16string base(baseUrl);
    if (!StartsWithNoCase(base, u"http://") && !StartsWithNoCase(base, u"https://")) {
        error = "--base-url takes an http or https URL";
        return std::nullopt;
    }
    base = DirectoryOf(base);
    std::error_code failure;
    std::filesystem::path root = std::filesystem::canonical(dir, failure);
    if (failure || !std::filesystem::is_directory(root, failure)) {
        error = "cannot read the folder " + dir.string();
        return std::nullopt;
    }
    std::filesystem::path workingDir = std::filesystem::current_path(failure);
    if (!failure)
        workingDir = std::filesystem::canonical(workingDir, failure);
    return LocalFolder(std::move(root), std::move(base), failure ? std::filesystem::path() : workingDir);
}

bool LocalFolder::IsPageFile(const std::filesystem::path& file)
{
    const std::string extension = AsciiLowered(file.extension().string());
    return extension == ".html" || extension == ".htm";
}

bool LocalFolder::IsMarkdownFile(const std::filesystem::path& file)
{
    return IsMarkdownPath(Utf8ToUtf16(file.filename().string()));
}

std::vector<std::u16string> LocalFolder::PageUrls(std::size_t limit, std::size_t& more) const
{
    std::vector<std::string> paths;
    std::error_code failure;
    const auto options = std::filesystem::directory_options::skip_permission_denied;
    for (std::filesystem::recursive_directory_iterator it(root_, options, failure), end;
         !failure && it != end; it.increment(failure)) {
        if ((IsPageFile(it->path()) || IsMarkdownFile(it->path())) && it->is_regular_file(failure)
            && Inside(it->path()))
            paths.push_back(it->path().lexically_relative(root_).generic_string());
    }
    std::sort(paths.begin(), paths.end());
    more = paths.size() > limit ? paths.size() - limit : 0;
    paths.resize(paths.size() - more);
    std::vector<std::u16string> urls;
    urls.reserve(paths.size());
    for (const std::string& path : paths)
        urls.push_back(base_ + PercentEncodedPath(path));
    return urls;
}

bool LocalFolder::Covers(std::u16string_view url) const
{
    return IsUnder(url, base_);
}

// Whether path, its links followed, stays inside the folder.
bool LocalFolder::Inside(const std::filesystem::path& path) const
{
    std::error_code failure;
    const std::filesystem::path real = std::filesystem::canonical(path, failure);
    if (failure)
        return false;
    const auto [rootEnd, realAt] = std::mismatch(root_.begin(), root_.end(), real.begin(), real.end());
    return rootEnd == root_.end();
}

std::optional<std::filesystem::path> LocalFolder::PathFor(std::u16string_view url) const
{
    if (!Covers(url))
        return std::nullopt;
    const std::string relative = Relative(url, base_);
    std::filesystem::path file = root_;
    for (std::size_t begin = 0; begin <= relative.size();) {
        const std::size_t end = std::min(relative.find('/', begin), relative.size());
        const std::string segment = PercentDecoded(std::string_view(relative).substr(begin, end - begin));
        begin = end + 1;
        if (segment.empty() || segment == ".")
            continue;
        if (segment == ".." || segment.find_first_of(std::string_view("/\0", 2)) != std::string::npos)
            return std::nullopt;
        file /= segment;
    }
    return file;
}

std::optional<std::filesystem::path> LocalFolder::FileFor(std::u16string_view url) const
{
    std::optional<std::filesystem::path> file = PathFor(url);
    std::error_code failure;
    if (file && std::filesystem::is_directory(*file, failure))
        *file /= "index.html";
    if (!file || !Inside(*file) || !std::filesystem::is_regular_file(*file, failure))
        return std::nullopt;
    return file;
}

bool LocalFolder::Holds(std::u16string_view url) const
{
    const std::optional<std::filesystem::path> path = PathFor(url);
    std::error_code failure;
    return path && Inside(*path) && std::filesystem::exists(*path, failure);
}

std::optional<std::u16string> LocalFolder::UrlOf(const std::filesystem::path& file) const
{
    std::error_code failure;
    const std::filesystem::path real = std::filesystem::canonical(file, failure);
    if (failure || !Inside(real))
        return std::nullopt;
    return base_ + PercentEncodedPath(real.lexically_relative(root_).generic_string());
}

std::optional<std::string> LocalFolder::Read(const std::filesystem::path& file, std::size_t cap)
{
    std::ifstream in(file, std::ios::binary);
    std::string bytes;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        if (bytes.size() + static_cast<std::size_t>(in.gcount()) > cap)
            return std::nullopt;
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad() || !in.eof())
        return std::nullopt;
    return bytes;
}

std::u16string LocalFolder::NameOf(std::u16string_view url) const
{
    if (!Covers(url))
        return std::u16string(url);
    if (IsMarkdownPath(url)) {
        const std::filesystem::path file = root_ / PercentDecoded(Relative(url, base_));
        const auto [workingEnd, fileAt]
            = std::mismatch(workingDir_.begin(), workingDir_.end(), file.begin(), file.end());
        const bool underWorkingDir = !workingDir_.empty() && workingEnd == workingDir_.end();
        return Utf8ToUtf16((underWorkingDir ? file.lexically_relative(workingDir_) : file).generic_string());
    }
    std::u16string name = Utf8ToUtf16(PercentDecoded(Relative(url, base_)));
    if (name.empty())
        name = u"./";
    if (const std::size_t query = url.find(u'?'); query != std::u16string_view::npos)
        name += url.substr(query, url.find(u'#', query) - query);
    return name;
}

std::u16string LocalFolder::WorkingPathOf(std::u16string_view url) const
{
    const auto file = FileFor(url);
    if (!file)
        return {};
    std::error_code failure;
    const std::filesystem::path working = std::filesystem::current_path(failure);
    const std::filesystem::path relative = failure ? *file : file->lexically_relative(working);
    return Utf8ToUtf16((relative.empty() ? *file : relative).generic_string());
}

}  // namespace pardovane
