// The fetcher's planning parts on their own, with no network: the queue's
// order, what the plan asks for, the crawl's page rules, the answer cache.
#include "engine/fetch/answer_cache.h"
#include "engine/fetch/crawl_ahead.h"
#include "engine/fetch/fetch_plan.h"
#include "engine/fetch/fetch_queue.h"
#include "engine/fetch/job_book.h"
#include "engine/page/url_parts.h"
#include "engine/page/utf_convert.h"
#include "engine/run/crawl_frontier.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pardovane {
namespace {

// What comes out of the queue, in order, as "purpose url".
std::vector<std::string> Drain(FetchQueue& queue)
{
    std::vector<std::string> out;
    const auto now = HostGate::Clock::now();
    const auto refused = [&](FetchJob& job) { out.push_back("refused " + Utf16ToUtf8(job.url)); };
    while (FetchJobPtr job = queue.Next(now, refused)) {
        job->MoveTo(JobState::Sent);
        queue.gate().Reached(job->host);
        queue.gate().Finished(job->host);
        const char* purposes[] = {"probe", "page", "crawled", "document", "robots", "not-found"};
        out.push_back(std::string(purposes[static_cast<int>(job->purpose)]) + ' ' + Utf16ToUtf8(job->url));
    }
    return out;
}

FetchJobPtr Job(const std::string& url)
{
    auto job = std::make_shared<FetchJob>();
    job->url = Utf8ToUtf16(url);
    return job;
}

TEST(FetchQueue, PriorityThenArrivalWaitedForFirstStaleSkippedBadUrlRefused)
{
    FetchQueue queue(4, 6);
    const FetchJobPtr started = Job("http://h/started");
    queue.Push(Job("http://h/later"), FetchQueue::kLaterPages);
    queue.Push(Job("http://h/current"), FetchQueue::kCurrentPage);
    queue.Push(started, FetchQueue::kCritical);
    queue.Push(Job("http://h/critical"), FetchQueue::kCritical);
    queue.Push(Job("http://h/waited"), FetchQueue::kCritical, true);
    queue.Push(Job("ftp://h/file"), FetchQueue::kCritical);
    started->MoveTo(JobState::Sent);  // taken elsewhere meanwhile
    EXPECT_EQ(
        Drain(queue),
        (std::vector<std::string>{"refused ftp://h/file", "probe http://h/waited", "probe http://h/critical",
                                  "probe http://h/current", "probe http://h/later"}));
}

TEST(FetchQueue, JobWaitsForItsTimeAndAHostsLimit)
{
    FetchQueue queue(1, 6);
    const FetchJobPtr notYet = Job("http://other/not-yet");
    notYet->notBefore = HostGate::Clock::now() + std::chrono::hours(1);
    queue.Push(notYet, FetchQueue::kCritical);
    queue.Push(Job("http://h/1"), FetchQueue::kCritical);
    queue.Push(Job("http://h/2"), FetchQueue::kCritical);
    const auto now = HostGate::Clock::now();
    const FetchJobPtr first = queue.Next(now, [](FetchJob&) {});
    ASSERT_TRUE(first);
    EXPECT_EQ(first->url, u"http://h/1");
    EXPECT_FALSE(queue.Next(now, [](FetchJob&) {})) << "one request at a time to h, and not-yet waits";
    queue.gate().Finished(first->host);
    const FetchJobPtr second = queue.Next(now, [](FetchJob&) {});
    ASSERT_TRUE(second);
    EXPECT_EQ(second->url, u"http://h/2");
    EXPECT_GT(queue.WaitMs(now, 100'000), 1000) << "the wait ends when not-yet is due, not at once";
}

// A plan over a list, with the book and queue the fetcher gives it.
struct Plan {
    explicit Plan(const std::string& list, ContentChecks checks = {})
    {
        plan.SetContentChecks(checks);
        plan.Start(ListFile::FromBytes(list), false);
    }
    void Page(const std::string& url, const std::string& html)
    {
        plan.PageText(Utf8ToUtf16(html), Utf8ToUtf16(url), "utf-8", PageFormat::Html);
    }
    FetchQueue queue{4, 6};
    VerdictRules rules;
    JobBook book{queue, rules};
    FetchPlan plan{book, queue, 1};
};

TEST(FetchPlan, ListedPagesComeOnceAheadAndTheirLinksAsTheRunWillAskThem)
{
    Plan p("http://h/a\nhttp://h/b\nhttp://h/a\n", {.resources = false, .fragments = true});
    EXPECT_EQ(Drain(p.queue), (std::vector<std::string>{"page http://h/a", "page http://h/b"}));
    p.plan.PageStarted(u"http://h/a", 11);
    // A listed page met as a link is not asked again; a repeat is asked once;
    // a #fragment's page is fetched whole; what is never requested is not asked.
    p.Page("http://h/a",
           R"(<a href="b">b</a><a href="x">x</a><a href="x">x</a>)"
           R"(<a href="y#part">y</a><a href="mailto:m@h">m</a><a href="">e</a>)");
    EXPECT_EQ(Drain(p.queue), (std::vector<std::string>{"probe http://h/x", "document http://h/y"}));
}

TEST(FetchPlan, StylesheetsAreFollowedOnlyToTheMostDepth)
{
    Plan p("", {.resources = true, .fragments = false});
    LinkTarget deep;
    deep.url = u"http://h/deep.css";
    LinkTarget shallow;
    shallow.url = u"http://h/shallow.css";
    PageLink deepLink{.target = deep, .stylesheet = true};
    PageLink shallowLink{.target = shallow, .stylesheet = true};
    p.plan.SheetArrived({deepLink}, kMostSheetDepth);
    p.plan.SheetArrived({shallowLink}, kMostSheetDepth - 1);
    EXPECT_EQ(Drain(p.queue),
              (std::vector<std::string>{"probe http://h/deep.css", "document http://h/shallow.css"}));
}

TEST(CrawlFrontier, QueuesHtmlUnderItsScopeOnceAndCountsStartPagesInTheCap)
{
    struct AllowAll : RobotsSource {
        const RobotsRules& RobotsFor(const std::u16string&) override { return rules; }
        RobotsRules rules = RobotsRules::FromAnswer(404, {}, "x");
    } robots;
    CrawlFrontier frontier;
    frontier.Start({.recurse = true, .obeyRobots = false, .maxPages = 3, .maxDepth = 1}, robots);
    const auto start = frontier.AddStart(u"http://h/d/", u"http://h/d/");
    ProbeResult html;
    html.status = 200;
    html.html = true;
    html.accepted = true;
    ProbeResult movedOut = html;
    movedOut.movedTo = "http://h/elsewhere/";
    ProbeResult image;
    image.status = 200;
    image.accepted = true;
    for (const char16_t* url : {u"http://h/d/1", u"http://h/d/2", u"http://h/d/3", u"http://h/other"})
        frontier.Learn(url, html);
    frontier.Learn(u"http://h/d/moved", movedOut);
    frontier.Learn(u"http://h/d/img", image);
    for (const char16_t* url : {u"http://h/d/1", u"http://h/d/1", u"http://h/other", u"http://h/d/moved",
                                u"http://h/d/img", u"http://h/d/unknown", u"http://h/d/2", u"http://h/d/3"})
        frontier.Offer(url, start);
    ASSERT_EQ(frontier.size(), 2U) << "the start page and two found pages fill a cap of 3";
    EXPECT_EQ(frontier[0].url, u"http://h/d/1");
    EXPECT_EQ(frontier[1].url, u"http://h/d/2");
    EXPECT_EQ(frontier.pagesLeft(), 1U);
    frontier.Offer(u"http://h/d/3", frontier[0]);  // too deep as well
    EXPECT_EQ(frontier.pagesLeft(), 1U);
}

// The read-ahead guesses which links the crawl will read as pages by the
// frontier's own rules: scope, depth, robots.txt and one page cap.
TEST(CrawlAhead, GuessesThePagesTheFrontierWillRead)
{
    struct Unused : RobotsSource {
        const RobotsRules& RobotsFor(const std::u16string&) override { return rules; }
        RobotsRules rules;
    } robots;
    CrawlFrontier frontier;
    frontier.Start({.recurse = true, .obeyRobots = true, .maxPages = 3, .maxDepth = 2}, robots);
    frontier.AddStart(u"http://h/d/", u"http://h/d/");
    CrawlAhead ahead;
    ahead.Follow(frontier, "pardovane");
    ahead.Store(OriginOf(u"http://h/"),
                RobotsRules::Parse("User-agent: *\nDisallow: /d/private\n", "pardovane"));
    const std::u16string scope = u"http://h/d/";
    std::vector<bool> read;
    for (const auto& [url, depth] :
         std::vector<std::pair<std::u16string, std::uint32_t>>{{u"http://h/other", 0},
                                                               {u"http://h/d/deep", 2},
                                                               {u"http://h/d/private/x", 0},
                                                               {u"http://h/d/1", 0},
                                                               {u"http://h/d/2", 1},
                                                               {u"http://h/d/3", 0}})
        read.push_back(ahead.WillRead(url, scope, depth));
    // The start page and two guesses fill the cap of 3, as the frontier counts it.
    EXPECT_EQ(read, (std::vector<bool>{false, false, false, true, true, false}));

    ProbeResult html;
    html.status = 200;
    html.html = true;
    ProbeResult movedOut = html;
    movedOut.movedTo = "http://h/elsewhere/";
    ProbeResult image;
    image.status = 200;
    EXPECT_TRUE(ahead.MayRead(u"http://h/d/1", html, scope));
    EXPECT_FALSE(ahead.MayRead(u"http://h/d/1", movedOut, scope));
    EXPECT_FALSE(ahead.MayRead(u"http://h/d/1", image, scope));
    EXPECT_FALSE(ahead.MayRead(u"http://h/d/private/y", html, scope));
}

TEST(AnswerCache, KeepsFreshGoodAnswersAndJudgesThemByTodaysRules)
{
    const auto now = AnswerCache::Clock::time_point(std::chrono::seconds(1'000'000));
    AnswerCache cache(std::chrono::seconds(100), now);
    ASSERT_TRUE(cache.Read("pardovane answer cache 1\n"
                           "999950\t200\thttp://fresh/\n"
                           "999000\t200\thttp://stale/\n"
                           "999950\t200\thttp://moved/\t301\thttp://moved/to\n"
                           "end 3\n"));
    VerdictRules rules;
    EXPECT_TRUE(cache.Fresh(u"http://fresh/", rules));
    EXPECT_FALSE(cache.Fresh(u"http://stale/", rules));
    const auto moved = cache.Fresh(u"http://moved/", rules);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->redirects.size(), 1U);
    cache.Remember(u"http://fresh/", ProbeResult::Failed(HttpFailure::Transfer, "gone"));
    EXPECT_FALSE(cache.Fresh(u"http://fresh/", rules)) << "a bad answer drops what was kept";
    EXPECT_EQ(cache.Text().find("stale"), std::string::npos);
    EXPECT_FALSE(AnswerCache(std::chrono::seconds(100), now)
                     .Read("pardovane answer cache 1\n999950\t200\thttp://a/\n"))
        << "a cut file is not read";
}

}  // namespace
}  // namespace pardovane
