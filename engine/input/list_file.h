#pragma once

#include "engine/page/iconv_decoder.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace pardovane {

// The URL list, read line by line with byte offsets for the progress bar.
// Lines end in CR LF, LF or a lone CR; a line end after the last line yields
// no further line. The text is UTF-8 (a BOM is skipped), UTF-16 when a BOM
// says so, or, when it is not valid UTF-8, Windows-31J as the Windows
// desktop writes it.
class ListFile {
public:
    // Reads the whole file; nullopt when it cannot be opened or read
    // (missing, a directory, unreadable, larger than kMaxBytes).
    static std::optional<ListFile> Open(const std::filesystem::path& path);
    // The same reader over bytes already in memory.
    static ListFile FromBytes(std::string bytes)
    {
        return ListFile(std::make_shared<const std::string>(std::move(bytes)));
    }
    // Another reader of the same text, from its first line: the file is
    // read once however many read it.
    ListFile FromStart() const { return ListFile(bytes_); }

    static constexpr std::uint64_t kMaxBytes = 256ull * 1024 * 1024;

    std::uint64_t length() const { return bytes_->size(); }
    // Bytes consumed by the lines read so far, line ends included.
    std::uint64_t offset() const { return offset_; }
    bool AtEnd() const { return offset_ >= bytes_->size(); }
    std::u16string ReadLine();

private:
    explicit ListFile(std::shared_ptr<const std::string> bytes);
    // The code unit at byte offset i: a byte, or two in UTF-16.
    char16_t UnitAt(std::size_t i) const;

    std::shared_ptr<const std::string> bytes_;
    std::size_t offset_ = 0;
    std::size_t unitBytes_ = 1;
    bool bigEndian_ = false;
    std::optional<IconvDecoder> windows31j_;  // set when the text is not UTF-8 or UTF-16
};

}  // namespace pardovane
