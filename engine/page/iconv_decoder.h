#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace pardovane {

// Owns one iconv descriptor converting a byte encoding to UTF-16.
class IconvDecoder {
public:
    // nullopt when the system does not know the encoding.
    static std::optional<IconvDecoder> Open(const std::string& encoding);

    IconvDecoder(IconvDecoder&& other) noexcept;
    IconvDecoder& operator=(IconvDecoder&& other) noexcept;
    IconvDecoder(const IconvDecoder&) = delete;
    IconvDecoder& operator=(const IconvDecoder&) = delete;
    ~IconvDecoder();

    // Each undecodable byte becomes U+FFFD; the rest of the text is kept.
    std::u16string Decode(std::string_view bytes);

private:
    explicit IconvDecoder(iconv_t handle) : handle_(handle) { }
    iconv_t handle_;  // (iconv_t)-1 once moved from
};

// Decodes with the named encoding; nullopt when it is unknown.
std::optional<std::u16string> DecodeWith(const std::string& encoding, std::string_view bytes);

// The bytes of text in the named encoding, ending in its initial shift
// state; nullopt when the encoding is unknown or lacks a character of text.
std::optional<std::string> EncodeWith(const std::string& encoding, std::u16string_view text);

}  // namespace pardovane
