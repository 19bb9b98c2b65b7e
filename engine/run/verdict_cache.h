#pragma once

#include "engine/run/run_state.h"

#include <optional>

namespace pardovane {

// Drops every entry and leaves only the sentinel: the empty URL, judged bad.
void ResetVerdictCache(RunState& state);

// The cached verdict of this exact text (case-sensitive, no normalisation).
std::optional<bool> LookupVerdict(const RunState& state, std::u16string_view url);

// The cache's own copy of url, which lives as long as the run's cache;
// empty when url is not in it.
std::u16string_view StoredUrl(const RunState& state, std::u16string_view url);

// Appends url with the verdict bad and returns its index.
std::size_t AppendVerdict(RunState& state, std::u16string url);

}  // namespace pardovane
