#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace re2 {
class RE2;
}

namespace pardovane {

// The user's patterns of URLs to leave alone. RE2 keeps matching linear in
// the URL's length whatever the pattern, and a pattern matches anywhere in
// the URL unless anchored.
class UrlExclusion {
public:
    UrlExclusion();
    ~UrlExclusion();
    UrlExclusion(const UrlExclusion&) = delete;
    UrlExclusion& operator=(const UrlExclusion&) = delete;
    // A moved-from exclusion is empty.
    UrlExclusion(UrlExclusion&&) noexcept;
    UrlExclusion& operator=(UrlExclusion&&) noexcept;

    // False with a one-line error when the pattern does not compile.
    bool Add(const std::string& pattern, std::string& error);
    // Each in turn; false at the first that does not compile.
    bool AddAll(const std::vector<std::string>& patterns, std::string& error);
    // Why pattern does not compile ("'(': missing ): ("), or nullopt when it
    // does; for settings checked before any run is set up.
    static std::optional<std::string> Problem(const std::string& pattern);
    // One pattern a line; empty lines and lines starting with # are skipped.
    bool AddFile(const std::filesystem::path& file, std::string& error);

    bool empty() const { return patterns_.empty(); }
    // The first pattern that matches url, as the user wrote it.
    std::optional<std::u16string> Match(std::u16string_view url) const;

private:
    std::vector<std::unique_ptr<re2::RE2>> patterns_;
};

}  // namespace pardovane
