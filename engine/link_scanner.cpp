#include "link_scanner.h"

#include "check_engine.h"

namespace pardovane {

void CheckEngine::ScanPage()
{
    // Positions fit: the download caps pages far below 2^31 code units.
    LinkScanner scanner;
    scanner.Scan(state_.pageText, [this](std::size_t linkStart, std::size_t scanPos) {
        state_.linkStart = static_cast<std::int32_t>(linkStart);
        state_.scanPos = static_cast<std::int32_t>(scanPos);
        CheckLink();
    });
    state_.scanPos = static_cast<std::int32_t>(scanner.scanPos());
    // A value left open at the end was still started; an untouched page keeps
    // the last run's start, as every other field does.
    if (scanner.linkStart() != 0)
        state_.linkStart = static_cast<std::int32_t>(scanner.linkStart());
}

}  // namespace pardovane
