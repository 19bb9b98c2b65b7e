#include "cli/terminal_escapes.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace pardovane {

bool StderrTakesEscapes()
{
    const char* term = std::getenv("TERM");
    return isatty(STDERR_FILENO) == 1 && term != nullptr && *term != '\0'
        && std::string_view(term) != "dumb" && std::getenv("NO_COLOR") == nullptr;
}

}  // namespace pardovane
