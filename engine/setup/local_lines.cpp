#include "engine/setup/local_lines.h"

#include "engine/input/list_file.h"
#include "engine/page/utf_convert.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace pardovane {
namespace {

// A line naming an existing page file or folder by absolute path.
std::optional<std::filesystem::path> LocalPath(const std::u16string& line)
{
    if (line.find(u"://") != std::u16string::npos)
        return std::nullopt;
    const std::filesystem::path path(Utf16ToUtf8(line));
    std::error_code failure;
    if (!path.is_absolute() || !std::filesystem::exists(path, failure))
        return std::nullopt;
    if (std::filesystem::is_directory(path, failure) || LocalFolder::IsPageFile(path)
        || LocalFolder::IsMarkdownFile(path))
        return std::filesystem::canonical(path, failure);
    return std::nullopt;
}

std::filesystem::path CommonFolder(std::filesystem::path a, const std::filesystem::path& b)
{
    const auto [end, unused] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    std::filesystem::path common;
    for (auto part = a.begin(); part != end; ++part)
        common /= *part;
    return common;
}

}  // namespace

LocalLines::LocalLines(const std::filesystem::path& listFile, std::size_t mostPages)
{
    auto list = ListFile::Open(listFile);
    if (!list)
        return;
    std::vector<std::u16string> lines;
    std::vector<std::optional<std::filesystem::path>> local;
    std::optional<std::filesystem::path> root;
    while (!list->AtEnd()) {
        lines.push_back(list->ReadLine());
        local.push_back(LocalPath(lines.back()));
        if (!local.back())
            continue;
        std::error_code failure;
        const std::filesystem::path folder = std::filesystem::is_directory(*local.back(), failure)
            ? *local.back()
            : local.back()->parent_path();
        root = root ? CommonFolder(*root, folder) : folder;
    }
    std::string error;
    if (!root || !(folder_ = LocalFolder::Open(*root, LocalFolder::kDefaultBaseUrl, error)))
        return;
    std::size_t more = 0;
    const std::vector<std::u16string> pages = folder_->PageUrls(mostPages, more);
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!local[i]) {
            text += Utf16ToUtf8(lines[i]) + "\n";
            continue;
        }
        // A folder's pages are those whose URLs lie under its own.
        const bool folder = std::filesystem::is_directory(*local[i]);
        const std::u16string url
            = *local[i] == *root ? folder_->baseUrl() : folder_->UrlOf(*local[i]).value_or(u"");
        for (const std::u16string& page : pages)
            if (folder ? page.starts_with(url + (url.ends_with(u'/') ? u"" : u"/")) : page == url)
                text += Utf16ToUtf8(page) + "\n";
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string name = (std::filesystem::path(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp")
                        / "pardovane-local-list-XXXXXX")
                           .string();
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        folder_.reset();
        return;
    }
    close(fd);
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
        std::filesystem::remove(name);
        folder_.reset();
        return;
    }
    copy_ = name;
}

LocalLines::~LocalLines()
{
    std::error_code ignored;
    if (!copy_.empty())
        std::filesystem::remove(copy_, ignored);
}

}  // namespace pardovane
