#include "cli/cache_file.h"

#include "cli/report_output.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace pardovane {
namespace {

// Far above any real cache; a larger file is no cache of ours.
constexpr std::uintmax_t kMaxBytes = std::uintmax_t{256} * 1024 * 1024;

std::string Message(const std::filesystem::path& file, const std::string& what)
{
    return "pardovane-check: the cache " + file.string() + " " + what + "\n";
}

}  // namespace

std::string LoadAnswerCache(const std::filesystem::path& file, AnswerCache& cache)
{
    std::error_code error;
    const bool exists = std::filesystem::exists(file, error);
    if (!exists && !error)
        return {};
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return Message(file, std::string("cannot be read (") + std::strerror(errno) + "); it is left out");
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kMaxBytes)
        return Message(file, "is not a cache of pardovane-check; it is left out and will be replaced");
    std::ostringstream text;
    text << in.rdbuf();
    if (!in || !cache.Read(text.view()))
        return Message(file,
                       "is damaged or not a cache of pardovane-check; it is left out and will be replaced");
    return {};
}

std::string SaveAnswerCache(const std::filesystem::path& file, const AnswerCache& cache)
{
    ReportOutput output(file);
    if (output.ok() && output.Write(cache.Text()) && output.Finish())
        return {};
    return Message(file, "could not be written: " + output.error());
}

}  // namespace pardovane
