#include "check_engine.h"

namespace pardovane {

void CheckEngine::CheckLink()
{
}

}  // namespace pardovane
