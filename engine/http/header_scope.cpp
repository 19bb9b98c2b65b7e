#include "engine/http/header_scope.h"

#include "engine/page/ascii.h"

#include <algorithm>

namespace pardovane {
namespace {

constexpr std::string_view kCredentialNames[] = {"authorization", "proxy-authorization", "cookie"};

bool SameNameNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

std::string_view NameOf(std::string_view header)
{
    std::string_view name = header.substr(0, header.find(':'));
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
        name.remove_suffix(1);
    return name;
}

// The first append makes the list; later ones extend it in place.
void Append(CurlSlist& list, const std::string& header)
{
    curl_slist* extended = curl_slist_append(list.get(), header.c_str());
    if (extended && !list)
        list.reset(extended);
}

}  // namespace

bool IsCredentialHeader(std::string_view header, const HttpSettings& settings)
{
    const std::string_view name = NameOf(header);
    const auto same = [name](std::string_view known) { return SameNameNoCase(name, known); };
    return std::any_of(std::begin(kCredentialNames), std::end(kCredentialNames), same)
        || std::any_of(settings.credentialHeaders.begin(), settings.credentialHeaders.end(), same);
}

bool HeadersDependOnOrigin(const HttpSettings& settings)
{
    return !settings.originHeaders.empty()
        || std::any_of(settings.headers.begin(), settings.headers.end(),
                       [&](const std::string& header) { return IsCredentialHeader(header, settings); });
}

CurlSlist HeaderListFor(const HttpSettings& settings, std::string_view origin, bool stayed)
{
    const bool ownOrigin
        = stayed && settings.credentialOrigins && settings.credentialOrigins->contains(std::string(origin));
    CurlSlist list;
    for (const std::string& header : settings.headers)
        if (ownOrigin || !IsCredentialHeader(header, settings))
            Append(list, header);
    if (stayed)
        for (const OriginHeader& given : settings.originHeaders)
            if (given.origin == origin)
                Append(list, given.header);
    return list;
}

}  // namespace pardovane
