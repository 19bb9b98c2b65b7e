#pragma once

#include "engine/http/verdict_rules.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace pardovane {

// How the settings' values are written: read from an option's text (nullopt
// when it is no such value) and, for --help's defaults, said back.

std::optional<int> WholeNumber(std::string_view text, int low, int high);
// Seconds as a whole or decimal number, to milliseconds; a day at most.
std::optional<long> Milliseconds(std::string_view text);
// Milliseconds as whole seconds where they are.
std::string SecondsText(long milliseconds);
// A number of seconds, or of minutes, hours or days with m, h or d after it;
// a year at most.
std::optional<std::chrono::seconds> Duration(std::string_view text);
// As Duration reads it, in the largest unit that keeps it whole.
std::string DurationText(std::chrono::seconds duration);

// ok, warn or error.
std::optional<RedirectPolicy> Policy(std::string_view name);
std::string PolicyName(RedirectPolicy policy);

// A header value as it may go out: a line end would start a header of its
// own, and no other control character belongs in one either (tab does).
bool IsHeaderValue(std::string_view text);
bool IsHeaderName(std::string_view text);
// "Name: value".
bool IsHeader(std::string_view text);

// An origin as a user writes it, "https://example.org" with a port where it
// is not the default and at most a "/" after; in WireOrigin's form.
std::optional<std::string> OriginOfText(std::string_view text);

}  // namespace pardovane
