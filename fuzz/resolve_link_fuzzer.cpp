// Link resolution with any base and any link: a probed target never keeps a
// fragment or a dot segment, and then goes through the wire-form conversion,
// which must never let a control character, a space or a raw non-ASCII byte
// out of the host.

#include "engine/http/request_url.h"
#include "engine/page/link_resolution.h"
#include "fuzz_check.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

namespace pardovane::fuzz {
namespace {

void CheckWireForm(std::u16string_view url)
{
    const auto wire = RequestUrlFor(url);
    const std::string* bytes = std::get_if<std::string>(&wire);
    if (!bytes)
        return;
    const std::size_t authority = bytes->find("://") + 3;
    const std::size_t hostEnd = std::min(bytes->find_first_of("/?#", authority), bytes->size());
    Require(hostEnd > authority, "a requested URL has a host");
    // The host itself, after any user information and before any port, is
    // plain ASCII on the wire whatever script it was written in.
    const std::size_t at = bytes->rfind('@', hostEnd - 1);
    const std::size_t hostStart = at != std::string::npos && at >= authority ? at + 1 : authority;
    const std::size_t portColon = (*bytes)[hostStart] == '[' ? hostEnd : bytes->find(':', hostStart);
    for (std::size_t i = hostStart; i < std::min(hostEnd, portColon); ++i)
        Require(static_cast<unsigned char>((*bytes)[i]) < 0x80, "the host goes out in ASCII");
    for (std::size_t i = 0; i < bytes->size(); ++i) {
        const auto byte = static_cast<unsigned char>((*bytes)[i]);
        Require(byte >= 0x20 && byte != 0x7F, "no control characters on the wire");
        if (i >= hostEnd)
            Require(byte < 0x80 && byte != ' ', "the path is percent-encoded");
    }
    // A URL of characters allowed raw goes out exactly as written: no %XX doubled.
    bool plain = true;
    for (char16_t c : url)
        plain
            = plain && c < 0x80 && std::u16string_view(u" \"<>\\^`{|}").find(c) == std::u16string_view::npos;
    if (plain)
        Require(*bytes == std::string(url.begin(), url.end()), "plain URLs are sent unchanged");
}

// No "." or ".." segment is left in the path of an absolute result.
void CheckNoDotSegments(std::u16string_view url)
{
    const std::size_t scheme = url.find(u"://");
    if (scheme == std::u16string_view::npos || url.find_first_of(u"/?#") != scheme + 1)
        return;
    const std::size_t pathStart = url.find_first_of(u"/?#", scheme + 3);
    if (pathStart == std::u16string_view::npos || url[pathStart] != u'/')
        return;
    std::u16string_view path = url.substr(pathStart, url.find_first_of(u"?#", pathStart) - pathStart);
    while (!path.empty()) {
        path.remove_prefix(1);  // the "/"
        const std::u16string_view segment = path.substr(0, path.find(u'/'));
        Require(segment != u"." && segment != u"..", "dot segments are removed");
        path.remove_prefix(segment.size());
    }
}

}  // namespace
}  // namespace pardovane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pardovane;
    FuzzedDataProvider input(data, size);
    const bool rawUnits = input.ConsumeBool();
    const std::u16string base = fuzz::TextFrom(input.ConsumeRandomLengthString(512), rawUnits);
    const std::u16string link = fuzz::TextFrom(input.ConsumeRemainingBytesAsString(), rawUnits);

    const std::u16string resolved = ResolveReference(base, link);
    // A reference without a path keeps the base's path as it stands.
    const bool hasPath = !link.empty() && link[0] != u'?' && link[0] != u'#';
    if (hasPath && resolved.find(u"://") != std::u16string::npos)
        fuzz::CheckNoDotSegments(resolved);
    const LinkTarget target = TargetOfLink(link, base);
    if (target.probed()) {
        fuzz::Require(target.url.find(u'#') == std::u16string::npos, "the fragment is dropped");
        fuzz::CheckWireForm(target.url);
    }
    fuzz::CheckWireForm(link);
    return 0;
}
