#pragma once

#include <filesystem>

namespace pardovane {

// SIGINT, SIGTERM, SIGHUP and SIGQUIT end the run at once with status 128 +
// the signal, removing the temporary files registered here first; nothing
// else is written, so a report file being replaced keeps its old content. A
// signal that was ignored when the program started stays ignored.
// eraseLine: stderr shows a progress line, to be cleared on the way out.
void InstallInterruptCleanup(bool eraseLine);

// Up to four files at a time; false when no slot is free or the path is too
// long to keep.
bool RemoveOnInterrupt(const std::filesystem::path& path);
void ForgetOnInterrupt(const std::filesystem::path& path);

}  // namespace pardovane
