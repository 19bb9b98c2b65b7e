#pragma once

#include <curl/curl.h>

#include <memory>

namespace pardovane {

// One owner per curl handle; moving transfers ownership, copying is impossible.
struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlShareDeleter {
    void operator()(CURLSH* handle) const { curl_share_cleanup(handle); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct CurlSlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlShare = std::unique_ptr<CURLSH, CurlShareDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistDeleter>;

// curl_global_init is not thread-safe and must run before any other curl call;
// every entry into the HTTP code goes through here first.
void EnsureCurlGlobalInit();

}  // namespace pardovane
