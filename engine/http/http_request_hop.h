#pragma once

// The one response of a request's chain being read: included by
// http_request.cpp alone, whose curl callbacks it holds.

#include "engine/http/bot_wall.h"
#include "engine/http/http_request.h"
#include "engine/page/ascii.h"
#include "engine/page/page_text_decoder.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace pardovane {

inline bool IsFollowedRedirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// What one response of the chain has shown so far.
struct HttpRequest::Hop {
    HttpRequest* request = nullptr;
    bool isDownload = false;
    bool htmlOnly = false;
    bool sample = false;
    bool html = false;
    long contentLength = -1;
    bool hasLocation = false;
    bool headersDone = false;
    long status = 0;
    std::string retryAfter;
    // A bot-protection service's marker of its challenge (bot_wall.h).
    const ChallengeMarker* challenge = nullptr;
    bool cut = false;  // we ended the transfer on purpose
    std::size_t bodySeen = 0;
    bool keepBody = false;

    // A body we do not need is read only when it is announced small, so the
    // connection stays reusable; otherwise the transfer ends at the headers.
    bool SmallEnoughToRead() const
    {
        return status == 204 || status == 304
            || (contentLength >= 0
                && static_cast<std::size_t>(contentLength) <= request->settings_.probeBodyKeepBytes);
    }

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user)
    {
        auto* hop = static_cast<Hop*>(user);
        const std::size_t length = size * count;
        const std::string_view line(data, length);
        if (StartsWithNoCase(line, "http/")) {
            hop->contentLength = -1;
            hop->hasLocation = false;
            hop->html = false;
            hop->retryAfter.clear();
            hop->challenge = nullptr;
        } else if (StartsWithNoCase(line, "retry-after:")) {
            hop->retryAfter = line.substr(12);
        } else if (StartsWithNoCase(line, "content-length:")) {
            hop->contentLength = std::strtol(std::string(line.substr(15)).c_str(), nullptr, 10);
        } else if (StartsWithNoCase(line, "content-type:")) {
            hop->html = IsHtmlType(AsciiTrimmed(line.substr(13)));
        } else if (StartsWithNoCase(line, "location:")) {
            hop->hasLocation = true;
        } else if (const ChallengeMarker* marker = ChallengeMarkerIn(line)) {
            hop->challenge = marker;
        } else if (line == "\r\n" || line == "\n") {
            long status = 0;
            curl_easy_getinfo(hop->request->easy_.get(), CURLINFO_RESPONSE_CODE, &status);
            // 1xx answers are followed by the real one.
            if (status >= 200) {
                hop->status = status;
                hop->headersDone = true;
                const bool final = !(IsFollowedRedirect(status) && hop->hasLocation);
                // A bot wall's page is its own, not the one asked for.
                hop->keepBody = final && !IsBotWall(status, hop->challenge)
                    && (hop->sample ? status < 300 : hop->isDownload && (hop->html || !hop->htmlOnly));
                if (!hop->keepBody && !hop->SmallEnoughToRead()) {
                    hop->cut = true;
                    return 0;
                }
            }
        }
        return length;
    }

    static int OnConnected(void* user, char*, char*, int, int)
    {
        static_cast<Hop*>(user)->request->connected_ = true;
        return CURL_PREREQFUNC_OK;
    }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user)
    {
        auto* hop = static_cast<Hop*>(user);
        const std::size_t length = size * count;
        HttpRequest& request = *hop->request;
        if (hop->keepBody && hop->sample && request.body_.size() + length >= kSampleBytes) {
            request.body_.append(data, kSampleBytes - request.body_.size());
            hop->cut = true;
            return 0;
        }
        if (hop->keepBody) {
            if (request.body_.size() + length > request.settings_.downloadCapBytes) {
                request.tooLarge_ = true;
                return 0;
            }
            request.body_.append(data, length);
            return length;
        }
        hop->bodySeen += length;
        if (hop->bodySeen > request.settings_.probeBodyKeepBytes) {
            hop->cut = true;
            return 0;
        }
        return length;
    }
};

}  // namespace pardovane
