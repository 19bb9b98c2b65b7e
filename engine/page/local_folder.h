#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pardovane {

// A folder of built pages read as if it were published at a base URL, for
// checking a site before it is served: which pages it holds, and what each
// URL under the base names in it. Nothing outside the folder is ever read:
// a URL's segments are decoded one by one and ".." is refused, and a
// symbolic link counts only when what it leads to is inside the folder too.
class LocalFolder {
public:
    // A name that never resolves (RFC 6761), for a folder whose real
    // address is not given: only links relative to it point into it.
    static constexpr std::u16string_view kDefaultBaseUrl = u"https://site.invalid/";

    // nullopt, with why, when dir is no directory that can be read or
    // baseUrl is no http(s) URL. The base gets a final "/" if it lacks one.
    static std::optional<LocalFolder> Open(const std::filesystem::path& dir, std::u16string_view baseUrl,
                                           std::string& error);

    const std::u16string& baseUrl() const { return base_; }
    // The URLs of the .html, .htm, .md and .markdown files under the folder
    // in the byte order of their paths, at most limit; more counts those
    // left out.
    std::vector<std::u16string> PageUrls(std::size_t limit, std::size_t& more) const;
    // Whether url lies under the base, so the folder answers for it.
    bool Covers(std::u16string_view url) const;
    // The regular file that url names inside the folder, a directory
    // standing for its index.html; nullopt when there is none.
    std::optional<std::filesystem::path> FileFor(std::u16string_view url) const;
    // Whether url names a file or a folder inside the folder, as a link of a
    // Markdown file may (GitHub shows a folder as its list of files).
    bool Holds(std::u16string_view url) const;
    // The URL of a file inside the folder; nullopt for one outside it.
    std::optional<std::u16string> UrlOf(const std::filesystem::path& file) const;
    // A file's bytes; nullopt when it cannot be read or holds more than cap.
    static std::optional<std::string> Read(const std::filesystem::path& file, std::size_t cap);
    static bool IsPageFile(const std::filesystem::path& file);  // .html or .htm
    static bool IsMarkdownFile(const std::filesystem::path& file);
    // What the reports call a URL under the base: its path under the folder
    // ("./" for the folder itself), with its query if it has one; a Markdown
    // file's path as the user opens it, from the working directory
    // (absolute when it lies elsewhere), where an editor finds its lines;
    // another URL as it is.
    std::u16string NameOf(std::u16string_view url) const;
    // The file url names, as a path from the working directory (as a CI job
    // points into its checkout); empty when there is none.
    std::u16string WorkingPathOf(std::u16string_view url) const;

private:
    LocalFolder(std::filesystem::path root, std::u16string base, std::filesystem::path workingDir)
        : root_(std::move(root)), base_(std::move(base)), workingDir_(std::move(workingDir))
    {
    }
    bool Inside(const std::filesystem::path& path) const;
    // What url names under the root, segment by segment; nullopt for a
    // URL outside the base or one that would climb out.
    std::optional<std::filesystem::path> PathFor(std::u16string_view url) const;

    std::filesystem::path root_;  // canonical
    std::u16string base_;
    std::filesystem::path workingDir_;  // canonical; empty when unknown
};

}  // namespace pardovane
