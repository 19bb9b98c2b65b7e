#pragma once

#include "engine/http/probe_result.h"
#include "engine/input/list_file.h"
#include "engine/page/link_target.h"
#include "engine/page/page_links.h"
#include "engine/report/judged_link.h"

#include <cstdint>
#include <string>

namespace pardovane {

// Hears what a check run does, as it happens, without taking part in it.
// Front ends use it for machine-readable output and to fetch ahead; every
// hook defaults to doing nothing.
class RunObserver {
public:
    virtual ~RunObserver() = default;

    // The list file was read; its lines follow. An observer that reads the
    // list itself takes its own reader of it (ListFile::FromStart).
    virtual void OnRunStart(const ListFile& list) { (void)list; }
    // A non-empty line was read; offset is the byte offset just after it.
    virtual void OnPageStart(const std::u16string& pageUrl, std::uint64_t offset)
    {
        (void)pageUrl, (void)offset;
    }
    // The page about to be scanned is one of a crawl: the directory its
    // crawl stays under, and how many links it lies from its start page.
    virtual void OnCrawlPage(const std::u16string& scope, std::uint32_t depth) { (void)scope, (void)depth; }
    // The page's text is in hand and about to be scanned; pageUrl is where it
    // finally came from, charset what the text was decoded from, format how
    // it is written.
    virtual void OnPageText(const std::u16string& pageText, const std::u16string& pageUrl,
                            const std::string& charset, PageFormat format)
    {
        (void)pageText, (void)pageUrl, (void)charset, (void)format;
    }
    // One link occurrence was judged.
    virtual void OnLinkJudged(const JudgedLink& link) { (void)link; }
    // One link occurrence was left alone: a scheme not to request, or the
    // user's exclusion. place: where it is written, as for a judged link.
    virtual void OnLinkSkipped(const std::u16string& linkText, const LinkTarget& target, LinkElement element,
                               TextPlace place)
    {
        (void)linkText, (void)target, (void)element, (void)place;
    }
    // The page's block is complete. reachable is false for a page whose
    // probe was bad; downloaded is false when its text could not be had.
    virtual void OnPageEnd(bool reachable, bool downloaded) { (void)reachable, (void)downloaded; }
    // A URL was requested (not a cache hit) with this result.
    virtual void OnProbe(const std::u16string& url, const ProbeResult& result) { (void)url, (void)result; }
};

}  // namespace pardovane
