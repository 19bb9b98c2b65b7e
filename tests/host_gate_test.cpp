#include "engine/fetch/host_gate.h"
#include "engine/http/wire_origin.h"

#include <gtest/gtest.h>

#include <map>

namespace pardovane {
namespace {

// How many of `count` requests to one host start at `when` before one ends.
int Starts(HostGate& gate, const std::string& host, int count,
           HostGate::Clock::time_point when = HostGate::Clock::now())
{
    int started = 0;
    for (; started < count && gate.MayStart(host, when); ++started)
        gate.Started(host);
    return started;
}

TEST(HostGate, NewNamesResolveOneRequestAndFewHostsAtATime)
{
    HostGate gate(8, 2);
    EXPECT_EQ(Starts(gate, "http://a.example", 5), 1);
    EXPECT_EQ(Starts(gate, "http://b.example", 5), 1);
    EXPECT_EQ(Starts(gate, "http://c.example", 5), 0);
    EXPECT_EQ(Starts(gate, "http://127.0.0.9:8080", 20), 8);  // an address is not looked up
    gate.Reached("http://a.example");
    EXPECT_EQ(Starts(gate, "http://a.example", 20), 7);
    EXPECT_EQ(Starts(gate, "http://c.example", 5), 1);
}

TEST(HostGate, OverloadedHostWaitsAndKeepsALowerLimit)
{
    // Eight requests in flight, then each event in turn: T a refusal, F one ends.
    const struct {
        const char* events;
        int limitAfter;
    } cases[] = {
        {"TFTFTFTFFFFF", 4}, {"FFFFTTFFFF", 2},  // the second refusal lowers it again, never back up
    };
    for (const auto& c : cases) {
        HostGate gate(8, 4);
        const std::string host = "http://127.0.0.1:1";
        ASSERT_EQ(Starts(gate, host, 8), 8);
        for (const char* event = c.events; *event; ++event) {
            if (*event == 'T')
                gate.Throttled(host, HostGate::Clock::now() + std::chrono::hours(1));
            else
                gate.Finished(host);
        }
        EXPECT_EQ(Starts(gate, host, 9), 0) << c.events;
        EXPECT_EQ(Starts(gate, "http://127.0.0.1:2", 9), 8);  // other hosts go on
        EXPECT_EQ(Starts(gate, host, 9, HostGate::Clock::now() + std::chrono::hours(2)), c.limitAfter)
            << c.events;
    }
}

TEST(HostGate, NextIsTheLowestTicketWhoseHostMayStart)
{
    HostGate gate(2, 1);
    const auto now = HostGate::Clock::now();
    const std::map<HostGate::Ticket, std::string> hosts
        = {{1, "http://127.0.0.1:1"}, {3, "http://127.0.0.1:1"}, {5, "http://127.0.0.1:1"},
           {4, "http://127.0.0.1:2"}, {2, "http://a.example"},   {6, "http://b.example"}};
    for (const auto& [ticket, host] : hosts)
        gate.Queue(host, ticket);
    auto next = [&](HostGate::Clock::time_point when) -> int {
        const auto ticket = gate.Next(when);
        if (ticket)
            gate.Started(hosts.at(*ticket));
        return ticket ? static_cast<int>(*ticket) : 0;
    };
    // 5 waits for its host's limit, 6 for the one name lookup at a time.
    for (int expected : {1, 2, 3, 4, 0})
        EXPECT_EQ(next(now), expected);
    gate.Finished("http://a.example");
    EXPECT_EQ(next(now), 6);
    gate.Throttled("http://127.0.0.1:1", now + std::chrono::hours(1));
    gate.Finished("http://127.0.0.1:1");
    gate.Finished("http://127.0.0.1:1");
    EXPECT_EQ(next(now), 0);
    EXPECT_EQ(next(now + std::chrono::hours(2)), 5);
}

TEST(HostGate, HostKeyIsSchemeHostAndPortInLowerCase)
{
    EXPECT_EQ(HostKey("HTTP://Example.COM:81/a/B?c#d"), "http://example.com:81");
    EXPECT_EQ(HostKey("https://x.example?q"), "https://x.example");
}

}  // namespace
}  // namespace pardovane
