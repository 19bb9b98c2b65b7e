#pragma once

#include "engine/fetch/answer_cache.h"

#include <filesystem>
#include <string>

namespace pardovane {

// The --cache FILE of the command line. Loading takes its fresh answers;
// a missing file is a first run, and one that cannot be read, is damaged or
// is not a cache at all is left out, with a message: the run then asks
// everything, and never trusts what it could not read whole. Both return the
// message for stderr, empty when all went well.
std::string LoadAnswerCache(const std::filesystem::path& file, AnswerCache& cache);
// Replaces FILE only once the new cache is written whole beside it, so a
// run stopped halfway leaves the old one as it was.
std::string SaveAnswerCache(const std::filesystem::path& file, const AnswerCache& cache);

}  // namespace pardovane
