#include "engine/host_gate.h"

#include <gtest/gtest.h>

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
        {"TFTFTFTFFFFF", 4},
        {"FFFFTTFFFF", 2},  // the second refusal lowers it again, never back up
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

TEST(HostGate, HostKeyIsSchemeHostAndPortInLowerCase)
{
    EXPECT_EQ(HostKey("HTTP://Example.COM:81/a/B?c#d"), "http://example.com:81");
    EXPECT_EQ(HostKey("https://x.example?q"), "https://x.example");
}

}  // namespace
}  // namespace pardovane
