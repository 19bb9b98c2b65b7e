#pragma once

#include "tests/local_server.h"

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace pardovane::test {

// A random site: pages full of good, broken, redirected, repeated, relative
// and absolute links, served with small uneven delays so that answers come
// back out of order.
class GeneratedSite {
public:
    explicit GeneratedSite(unsigned seed) : random_(seed) { }

    std::map<std::string, std::string> pages;  // path -> html
    std::vector<std::string> listed;           // paths, in list order

    void Generate(const std::string& origin);
    // perSecond > 0: more requests than that in the last second get 429.
    void Serve(LocalServer& server, std::size_t perSecond = 0);
    // The list file's text: every listed path on origin, CR LF after each.
    std::string List(const std::string& origin) const;

private:
    bool Admit(std::size_t perSecond);
    std::string PageHtml(const std::string& origin);

    std::mt19937 random_;
    std::mutex mutex_;
    std::deque<std::chrono::steady_clock::time_point> recent_;
};

}  // namespace pardovane::test
