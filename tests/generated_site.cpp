#include "tests/generated_site.h"

#include <algorithm>
#include <functional>

namespace pardovane::test {

void GeneratedSite::Generate(const std::string& origin)
{
    for (int page = 0; page < 6; ++page) {
        const std::string path = "/site/d" + std::to_string(page % 3) + "/p" + std::to_string(page) + ".html";
        pages[path] = PageHtml(origin);
        listed.push_back(path);
    }
    listed.push_back("/bad/listed.html");
    listed.push_back(listed[1]);  // a page listed twice
    listed.push_back("/r/site/d0/p0.html");
    std::shuffle(listed.begin(), listed.end(), random_);
}

void GeneratedSite::Serve(LocalServer& server, std::size_t perSecond)
{
    server.routes().Get(
        R"(/.*)", [this, &server, perSecond](const httplib::Request& request, httplib::Response& response) {
            const std::string& path = request.path;
            server.Wait(std::chrono::milliseconds(std::hash<std::string>{}(path) % 7));
            if (perSecond > 0 && !Admit(perSecond))
                response.status = 429;
            else if (auto page = pages.find(path); page != pages.end())
                response.set_content(page->second, "text/html");
            else if (path.starts_with("/bad"))
                response.status = 404;
            else if (path.starts_with("/r/"))
                response.set_redirect(path.substr(2));
            else if (path.ends_with("/sub/deep.html"))  // unlisted: only a crawl reads it
                response.set_content(
                    "<a href=../a.html>up</a><a href=/bad/deep>x</a><a href=deep.html>me</a>", "text/html");
            else
                response.set_content("ok", "text/plain");
        });
}

bool GeneratedSite::Admit(std::size_t perSecond)
{
    const std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    while (!recent_.empty() && now - recent_.front() > std::chrono::seconds(1))
        recent_.pop_front();
    if (recent_.size() >= perSecond)
        return false;
    recent_.push_back(now);
    return true;
}

std::string GeneratedSite::PageHtml(const std::string& origin)
{
    static const std::vector<std::string> kRelative
        = {"a.html", "../up.html", "./here.html",        "/rooted.html", "sub/deep.html",
           "#top",   "",           "q.html?x=1&amp;y=2", "p0.html",      "../d1/p3.html"};
    std::string html = "<html><body>\n";
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(kRelative.size()) - 1);
    std::uniform_int_distribution<int> number(0, 12);
    for (int i = 0; i < 30; ++i) {
        std::string link;
        switch (kind(random_)) {
        case 0:
            link = "/bad/" + std::to_string(number(random_)) + ".html";
            break;
        case 1:
            link = origin + "/bad/x" + std::to_string(number(random_));
            break;
        case 2:
            link = origin + "/r/ok/" + std::to_string(number(random_));
            break;
        case 3:
            link = origin + "/r/bad/" + std::to_string(number(random_));
            break;
        case 4:
            link = origin + "/ok/" + std::to_string(number(random_));
            break;
        case 5:
            link = "mailto:someone@example.com";
            break;
        default:
            link = kRelative[pick(random_)];
            break;
        }
        switch (i % 4) {
        case 0:
            html += "<a href=\"" + link + "\">x</a>\n";
            break;
        case 1:
            html += "<A HREF=" + link + ">y</A>\n";
            break;
        case 2:
            html += "<img src=\"" + link + "\">\n";
            break;
        default:
            html += "<!-- <a href=\"/bad/commented\"> --><a class=x href=\"" + link + "\">z</a>\n";
            break;
        }
    }
    return html + "</body></html>\n";
}

std::string GeneratedSite::List(const std::string& origin) const
{
    std::string list;
    for (const std::string& path : listed)
        list += origin + path + "\r\n";
    return list;
}

}  // namespace pardovane::test
