#include "engine/settings/url_exclusion.h"

#include "engine/page/ascii.h"
#include "engine/page/utf_convert.h"

#include <re2/re2.h>

#include <algorithm>
#include <fstream>

namespace pardovane {

namespace {

std::unique_ptr<RE2> Compile(const std::string& pattern)
{
    RE2::Options options;
    options.set_log_errors(false);  // the error is ours to report, once
    return std::make_unique<RE2>(pattern, options);
}

std::string Complaint(const RE2& compiled)
{
    return "'" + compiled.pattern() + "': " + compiled.error();
}

}  // namespace

UrlExclusion::UrlExclusion() = default;
UrlExclusion::~UrlExclusion() = default;
UrlExclusion::UrlExclusion(UrlExclusion&&) noexcept = default;
UrlExclusion& UrlExclusion::operator=(UrlExclusion&&) noexcept = default;

bool UrlExclusion::Add(const std::string& pattern, std::string& error)
{
    auto compiled = Compile(pattern);
    if (!compiled->ok()) {
        error = "--exclude " + Complaint(*compiled);
        return false;
    }
    patterns_.push_back(std::move(compiled));
    return true;
}

bool UrlExclusion::AddAll(const std::vector<std::string>& patterns, std::string& error)
{
    return std::all_of(patterns.begin(), patterns.end(),
                       [&](const std::string& pattern) { return Add(pattern, error); });
}

std::optional<std::string> UrlExclusion::Problem(const std::string& pattern)
{
    const auto compiled = Compile(pattern);
    if (compiled->ok())
        return std::nullopt;
    return Complaint(*compiled);
}

bool UrlExclusion::AddFile(const std::filesystem::path& file, std::string& error)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot read the exclude file " + file.string();
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        const std::string_view pattern = AsciiTrimmed(line);
        if (pattern.empty() || pattern.front() == '#')
            continue;
        if (!Add(std::string(pattern), error))
            return false;
    }
    if (in.bad()) {
        error = "cannot read the exclude file " + file.string();
        return false;
    }
    return true;
}

std::optional<std::u16string> UrlExclusion::Match(std::u16string_view url) const
{
    const std::string bytes = Utf16ToUtf8(url);
    for (const auto& pattern : patterns_)
        if (RE2::PartialMatch(bytes, *pattern))
            return Utf8ToUtf16(pattern->pattern());
    return std::nullopt;
}

}  // namespace pardovane
