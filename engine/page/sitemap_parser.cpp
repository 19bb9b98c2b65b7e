#include "engine/page/sitemap_parser.h"

#include "engine/page/ascii.h"
#include "engine/page/utf_convert.h"

#include <expat.h>
#include <zlib.h>

#include <memory>

namespace pardovane {
namespace {

// Names come as "namespace|local name"; only the local name counts, so a
// sitemap without the namespace reads too.
constexpr XML_Char kNamespaceSeparator = '|';

std::string_view LocalName(const XML_Char* name)
{
    const std::string_view full(name);
    const std::size_t bar = full.rfind(kNamespaceSeparator);
    return bar == std::string_view::npos ? full : full.substr(bar + 1);
}

struct ParserFree {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ParserPtr = std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserFree>;

// An inflating zlib stream for gzip, ended on every path.
class GzipStream {
public:
    GzipStream() { ok_ = inflateInit2(&stream_, 16 + MAX_WBITS) == Z_OK; }
    ~GzipStream()
    {
        if (ok_)
            inflateEnd(&stream_);
    }
    GzipStream(const GzipStream&) = delete;
    GzipStream& operator=(const GzipStream&) = delete;

    bool ok() const { return ok_; }
    z_stream& stream() { return stream_; }

private:
    z_stream stream_{};
    bool ok_ = false;
};

// Keeps where the parse stands between expat's callbacks.
struct Reading {
    SitemapFile file;
    std::string root;
    std::vector<std::string> open;  // local names of the elements open
    std::string location;           // text of the <loc> being read
    bool inLocation = false;

    static void OnStart(void* user, const XML_Char* name, const XML_Char**)
    {
        auto* reading = static_cast<Reading*>(user);
        const std::string_view local = LocalName(name);
        if (reading->open.empty() && reading->root.empty()) {
            reading->root = local;
            reading->file.index = local == "sitemapindex";
        }
        const bool parentFits
            = reading->open.size() == 2 && reading->open[1] == (reading->file.index ? "sitemap" : "url");
        reading->inLocation = parentFits && local == "loc";
        reading->location.clear();
        reading->open.emplace_back(local);
    }

    static void OnEnd(void* user, const XML_Char*)
    {
        auto* reading = static_cast<Reading*>(user);
        reading->open.pop_back();
        if (!reading->inLocation)
            return;
        reading->inLocation = false;
        if (const std::string_view location = AsciiTrimmed(reading->location); !location.empty())
            reading->file.locations.push_back(Utf8ToUtf16(location));
    }

    static void OnText(void* user, const XML_Char* text, int length)
    {
        auto* reading = static_cast<Reading*>(user);
        if (reading->inLocation)
            reading->location.append(text, static_cast<std::size_t>(length));
    }
};

bool Feed(XML_Parser parser, std::string_view bytes, bool last)
{
    return XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), last ? 1 : 0) == XML_STATUS_OK;
}

// Inflates gzip bytes into the parser a slice at a time; false with why.
bool FeedInflated(XML_Parser parser, std::string_view bytes, std::size_t maxBytes, std::string& error)
{
    GzipStream gzip;
    if (!gzip.ok()) {
        error = "cannot inflate";
        return false;
    }
    z_stream& stream = gzip.stream();
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    char slice[65536];
    std::size_t total = 0;
    for (int status = Z_OK; status != Z_STREAM_END;) {
        stream.next_out = reinterpret_cast<Bytef*>(slice);
        stream.avail_out = sizeof slice;
        status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) {
            error = "not valid gzip";
            return false;
        }
        const std::size_t got = sizeof slice - stream.avail_out;
        if ((total += got) > maxBytes) {
            error = "more than " + std::to_string(maxBytes) + " bytes once inflated";
            return false;
        }
        if (!Feed(parser, {slice, got}, status == Z_STREAM_END))
            return false;
        if (got == 0 && stream.avail_in == 0 && status != Z_STREAM_END) {
            error = "gzip data ends early";
            return false;
        }
    }
    return true;
}

}  // namespace

SitemapFile ParseSitemap(std::string_view bytes, std::size_t maxBytes)
{
    Reading reading;
    const ParserPtr parser(XML_ParserCreateNS(nullptr, kNamespaceSeparator));
    if (!parser) {
        reading.file.error = "out of memory";
        return reading.file;
    }
    XML_SetUserData(parser.get(), &reading);
    XML_SetElementHandler(parser.get(), &Reading::OnStart, &Reading::OnEnd);
    XML_SetCharacterDataHandler(parser.get(), &Reading::OnText);
    const bool gzip = bytes.starts_with("\x1f\x8b");
    std::string error;
    const bool read
        = gzip ? FeedInflated(parser.get(), bytes, maxBytes, error) : Feed(parser.get(), bytes, true);
    if (!read && error.empty())
        error = "line " + std::to_string(XML_GetCurrentLineNumber(parser.get())) + ": "
            + XML_ErrorString(XML_GetErrorCode(parser.get()));
    if (read && reading.root != "urlset" && reading.root != "sitemapindex")
        error = "not a sitemap: its root is <" + reading.root + ">";
    reading.file.error = std::move(error);
    if (!reading.file.error.empty())
        reading.file.locations.clear();
    return reading.file;
}

}  // namespace pardovane
