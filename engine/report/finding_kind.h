#pragma once

#include "engine/report/run_record.h"

#include <string>
#include <utility>
#include <vector>

namespace pardovane {

// What a finding is, for the reports that sort findings by kind (SARIF's
// rules, CI annotations' titles).
enum class FindingKind {
    BrokenLink,       // a link a reader follows: <a>, <area>
    BrokenResource,   // anything else the page loads or names
    MissingFragment,  // the target answered without the place its #fragment names
    UnreachablePage,  // a page to check that could not be reached or read
    Redirect,         // good, moved for good on the way (a warning)
    BotWall,          // good, behind bot protection (a warning)
};
inline constexpr int kFindingKinds = 6;

// A broken or warned link's kind.
FindingKind KindOf(const LinkRecord& link);
// The kind of a page's own warning.
FindingKind WarningKindOf(const ProbeResult& probe);
bool IsWarning(FindingKind kind);
// In a few words: "broken link", "permanent redirect"...
const char* TitleOf(FindingKind kind);

// A broken or warned link in a sentence, for a log or an annotation: as
// written, its URL where that reads otherwise, the page of its stylesheet,
// and why. Passwords hidden.
std::u16string FindingText(const PageRecord& page, const LinkRecord& link);
// What is wrong with a page itself, each with its sentence: not reached or
// not read, then its own answer's warning. Empty for a page without any.
std::vector<std::pair<FindingKind, std::u16string>> PageFindings(const PageRecord& page);

}  // namespace pardovane
