#include "engine/page/iconv_decoder.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

namespace pardovane {
namespace {
// iconv_open's own way of saying it failed.
const iconv_t kNoHandle = reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)
}  // namespace

std::optional<IconvDecoder> IconvDecoder::Open(const std::string& encoding)
{
    // Native byte order, so the output bytes are char16_t as they stand.
    iconv_t handle = iconv_open("UTF-16LE", encoding.c_str());
    if (handle == kNoHandle)
        return std::nullopt;
    return IconvDecoder(handle);
}

IconvDecoder::IconvDecoder(IconvDecoder&& other) noexcept : handle_(other.handle_)
{
    other.handle_ = kNoHandle;
}

IconvDecoder& IconvDecoder::operator=(IconvDecoder&& other) noexcept
{
    std::swap(handle_, other.handle_);  // ours is closed by other's destructor
    return *this;
}

IconvDecoder::~IconvDecoder()
{
    if (handle_ != kNoHandle)
        iconv_close(handle_);
}

std::u16string IconvDecoder::Decode(std::string_view bytes)
{
    static_assert(std::endian::native == std::endian::little);
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);  // back to the initial shift state

    std::u16string out(bytes.size() + 16, u'\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::size_t used = 0;  // char16_t units written
    auto appendUnit = [&](char16_t unit) {
        if (used == out.size())
            out.resize(out.size() * 2);
        out[used++] = unit;
    };
    while (true) {
        char* outPtr = reinterpret_cast<char*>(out.data() + used);
        std::size_t outLeft = (out.size() - used) * sizeof(char16_t);
        const std::size_t before = outLeft;
        const std::size_t result = inLeft == 0 ? iconv(handle_, nullptr, nullptr, &outPtr, &outLeft)
                                               : iconv(handle_, &in, &inLeft, &outPtr, &outLeft);
        used += (before - outLeft) / sizeof(char16_t);
        if (result != static_cast<std::size_t>(-1)) {
            if (inLeft == 0)
                break;
            continue;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else if (errno == EILSEQ) {
            appendUnit(0xFFFD);
            ++in, --inLeft;
        } else {  // EINVAL: the text ends inside a sequence
            appendUnit(0xFFFD);
            inLeft = 0;
        }
    }
    out.resize(used);
    return out;
}

std::optional<std::u16string> DecodeWith(const std::string& encoding, std::string_view bytes)
{
    auto decoder = IconvDecoder::Open(encoding);
    if (!decoder)
        return std::nullopt;
    return decoder->Decode(bytes);
}

std::optional<std::string> EncodeWith(const std::string& encoding, std::u16string_view text)
{
    static_assert(std::endian::native == std::endian::little);
    const iconv_t handle = iconv_open(encoding.c_str(), "UTF-16LE");
    if (handle == kNoHandle)
        return std::nullopt;
    const std::unique_ptr<void, int (*)(iconv_t)> owned(handle, iconv_close);

    std::string out(text.size() * 4 + 16, '\0');
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
    std::size_t inLeft = text.size() * sizeof(char16_t);
    std::size_t used = 0;
    // The text, then the return to the initial shift state (ISO-2022-JP's ESC ( B).
    for (bool flushing = false;;) {
        char* outPtr = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t result = flushing ? iconv(handle, nullptr, nullptr, &outPtr, &outLeft)
                                            : iconv(handle, &in, &inLeft, &outPtr, &outLeft);
        used = static_cast<std::size_t>(outPtr - out.data());
        if (result == static_cast<std::size_t>(-1)) {
            if (errno != E2BIG)
                return std::nullopt;
            out.resize(out.size() * 2);
        } else if (flushing) {
            break;
        } else {
            flushing = true;
        }
    }
    out.resize(used);
    return out;
}

}  // namespace pardovane
