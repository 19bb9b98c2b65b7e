#pragma once

#include "engine/http/probe_result.h"
#include "engine/page/document_facts.h"

#include <string>

namespace pardovane {

// The request behind CheckUrl: the engine asks, an implementation fetches.
class UrlProber {
public:
    virtual ~UrlProber() = default;
    virtual ProbeResult Probe(const std::u16string& url) = 0;
    // What the run needs of a good URL's content: a stylesheet's links, or
    // an HTML page's ids. Fetched once per run; null when it could not be
    // had, which leaves the verdict to the probe.
    virtual DocumentFactsPtr Document(const std::u16string& url, bool stylesheet)
    {
        (void)url, (void)stylesheet;
        return nullptr;
    }
};

}  // namespace pardovane
