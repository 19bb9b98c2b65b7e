#include "check_engine.h"

namespace pardovane {

void CheckEngine::ScanPage()
{
}

}  // namespace pardovane
