#pragma once

#include "engine/http/probe_result.h"

#include <string>

namespace pardovane {

// The request behind CheckUrl: the engine asks, an implementation fetches.
class UrlProber {
public:
    virtual ~UrlProber() = default;
    virtual ProbeResult Probe(const std::u16string& url) = 0;
};

}  // namespace pardovane
