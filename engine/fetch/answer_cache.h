#pragma once

#include "engine/http/probe_result.h"
#include "engine/http/verdict_rules.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pardovane {

// Good answers kept from one run to the next, so that a CI job does not ask
// thousands of good links to other sites again on every push. What is kept
// is what the network said (the final status and the redirects on the
// way), not the verdict: each run judges it by its own rules, so a change of
// --accept or --redirects never turns a kept answer into a wrong verdict.
// Only good answers are kept, and only while younger than the maximum age;
// never a bot wall's, which is good only for want of a real answer.
//
// The text form, UTF-8 with LF line ends: the line "pardovane answer cache
// 1", then one line per URL, "SECONDS<TAB>STATUS<TAB>URL" followed by
// "<TAB>STATUS<TAB>LOCATION" for each redirect (SECONDS since 1970 when it
// was asked, URL as the run knows it, LOCATION in wire form), sorted by
// URL, and last "end N" with the number of URLs, so a cut file is known.
class AnswerCache {
public:
    using Clock = std::chrono::system_clock;

    AnswerCache(std::chrono::seconds maxAge, Clock::time_point now) : maxAge_(maxAge), now_(now) { }

    // Takes the fresh answers of a text in the form above. False, keeping
    // nothing, when the text is not one (damaged, cut, or another file).
    bool Read(std::string_view text);
    // The answer kept for url, judged by rules; nullopt unless it is there,
    // fresh, and good by them.
    std::optional<ProbeResult> Fresh(const std::u16string& url, const VerdictRules& rules) const;
    // Keeps a good answer, asked now; any other answer, a bot wall's too,
    // drops what was kept.
    void Remember(const std::u16string& url, const ProbeResult& result);
    // Every answer kept, fresh ones only.
    std::string Text() const;

private:
    struct Entry {
        std::int64_t askedAt = 0;  // seconds since 1970
        long status = 0;
        std::vector<Redirect> redirects;
    };
    bool IsFresh(const Entry& entry) const;

    std::chrono::seconds maxAge_;
    Clock::time_point now_;
    std::unordered_map<std::u16string, Entry> entries_;
};

}  // namespace pardovane
