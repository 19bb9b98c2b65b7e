#include "ui/window_check.h"

#include "engine/run_setup.h"

#include <stdexcept>

namespace pardovane {

WindowCheck::WindowCheck(WindowOperations& window, NetworkWait& wait, const std::filesystem::path& listFile,
                         const RunSettings& settings)
    : fetcher_(listFile, JobsOf(settings), settings.http), engine_(window, fetcher_, listFile)
{
    // The patterns were checked as the file was read; one that fails now is
    // a failure of the run, which the window reports as such.
    std::string error;
    for (const std::string& pattern : settings.excludes)
        if (!exclusion_.Add(pattern, error))
            throw std::invalid_argument(error);
    fetcher_.SetNetworkWait(&wait);
    SetUpRun(engine_, fetcher_, exclusion_, settings);
}

}  // namespace pardovane
