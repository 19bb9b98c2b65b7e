#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace pardovane {

// Takes a report piece by piece as it is made, so that no report is ever
// held whole; false once a piece could not be written, and the report stops.
using ReportSink = std::function<bool(std::string_view bytes)>;

inline constexpr std::size_t kReportPiece = std::size_t{64} * 1024;

// Hands a writer's text to write once there is a piece of it, or whatever
// is left when done.
template <typename Writer>
bool PassOn(Writer& writer, const ReportSink& write, bool done = false)
{
    return (!done && writer.text().size() < kReportPiece) || write(writer.TakeText());
}

// The same for text made in a string, which is emptied once written.
inline bool PassOn(std::string& text, const ReportSink& write, bool done = false)
{
    if (!done && text.size() < kReportPiece)
        return true;
    const bool written = write(text);
    text.clear();
    return written;
}

}  // namespace pardovane
