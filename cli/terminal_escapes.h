#pragma once

namespace pardovane {

// Whether stderr may carry escape sequences (the progress line): it is a
// terminal, TERM names one that is not "dumb", and NO_COLOR is not set.
bool StderrTakesEscapes();

}  // namespace pardovane
