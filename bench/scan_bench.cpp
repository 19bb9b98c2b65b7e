#include "engine/page/link_scanner.h"
#include "engine/page/page_links.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A page of the given size that looks like a real one: markup, prose, links
// (relative with ../ and ./, absolute, mailto), images and comments.
std::u16string GeneratePage(std::size_t bytes)
{
    // The first block is one literal over two lines.
    static const std::u16string kBlocks[] = {
        u"<p class=\"text\">Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod "  // NOLINT(bugprone-suspicious-missing-comma)
        u"tempor incididunt ut labore et dolore magna aliqua. "
        u"\u65E5\u672C\u8A9E\u306E\u6587\u7AE0\u3002</p>\n",
        u"<a href=\"../docs/page.html\">docs</a> <a href=./local/file.html>local</a>\n",
        u"<A HREF=\"https://example.com/path/to/resource?x=1&amp;y=2\">abs</A>\n",
        u"<img src=\"../img/picture.png\" alt=\"picture\"> <a href=\"mailto:someone@example.com\">mail</a>\n",
        u"<!-- <a href=\"commented.html\">old</a> -->\n<div><span>text</span></div>\n",
        u"<table><tr><td>cell</td><td>cell</td></tr></table>\n",
    };
    std::u16string page;
    page.reserve(bytes + 256);
    for (std::size_t i = 0; page.size() < bytes; ++i)
        page += kBlocks[i % std::size(kBlocks)];
    page.resize(bytes);
    return page;
}

void ScanOnly(benchmark::State& state)
{
    const std::u16string page = GeneratePage(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::size_t links = 0;
        pardovane::LinkScanner scanner;
        scanner.Scan(page, [&](pardovane::LinkScanner::Element, std::size_t, std::size_t) {
            ++links;
            return true;
        });
        benchmark::DoNotOptimize(links);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
    state.SetLabel("items = characters");
}

void ScanAndResolve(benchmark::State& state)
{
    const std::u16string page = GeneratePage(static_cast<std::size_t>(state.range(0)));
    const std::u16string pageUrl = u"https://example.com/site/section/page.html";
    std::size_t links = 0;
    for (auto _ : state) {
        links = 0;
        pardovane::ForEachPageLink(page, pageUrl, {}, {}, [&](const pardovane::PageLink& link) {
            links += link.target.url.size() > 0;
        });
        benchmark::DoNotOptimize(links);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
    state.counters["links"] = static_cast<double>(links);
    state.SetLabel("items = characters");
}

}  // namespace

BENCHMARK(ScanOnly)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(ScanAndResolve)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
