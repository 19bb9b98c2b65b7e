#include "engine/http/http_client.h"

#include "engine/http/ca_environment.h"
#include "engine/http/http_request.h"
#include "engine/http/request_url.h"
#include "engine/page/page_text_decoder.h"

namespace pardovane {

HttpClient::HttpClient(HttpSettings settings) : settings_(WithCaEnvironment(std::move(settings)))
{
    EnsureCurlGlobalInit();
    share_.reset(curl_share_init());
    if (share_) {
        curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
        curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    }
}

ProbeResult HttpClient::Probe(const std::u16string& url)
{
    auto wire = RequestUrlFor(url);
    if (auto* failure = std::get_if<HttpFailure>(&wire))
        return ProbeResult::Failed(*failure, "not requested");
    auto request = HttpRequest::Create(share_.get(), settings_);
    if (!request)
        return ProbeResult::Failed(HttpFailure::NoRequestObject, "no request object");
    return request->Probe(std::get<std::string>(wire));
}

DownloadResult HttpClient::Download(const std::u16string& url)
{
    DownloadResult result;
    auto wire = RequestUrlFor(url);
    if (auto* failure = std::get_if<HttpFailure>(&wire)) {
        result.failure = *failure;
        return result;
    }
    auto request = HttpRequest::Create(share_.get(), settings_);
    if (!request) {
        result.failure = HttpFailure::NoRequestObject;
        return result;
    }
    return request->Download(std::get<std::string>(wire));
}

std::optional<DownloadedPage> HttpClient::DownloadText(const std::u16string& url)
{
    DownloadResult result = Download(url);
    if (!result.ok())
        return std::nullopt;
    return DecodePage(result.body, result.contentType, result.url);
}

}  // namespace pardovane
