#include "check_engine.h"

#include "executable_dir.h"
#include "ui_texts.h"
#include "verdict_cache.h"

namespace pardovane {

CheckEngine::CheckEngine(WindowOperations& window, UrlProber& prober, std::filesystem::path listFile)
    : window_(window), prober_(prober), listFile_(std::move(listFile))
{
    ResetVerdictCache(state_);
}

std::filesystem::path DefaultListFilePath()
{
    return ExecutableDirectory() / std::filesystem::path(texts::kListFileName);
}

}  // namespace pardovane
