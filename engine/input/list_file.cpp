#include "engine/input/list_file.h"

#include "engine/page/utf_convert.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace pardovane {

std::optional<ListFile> ListFile::Open(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > kMaxBytes)
        return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string bytes;
    bytes.reserve(size);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad())
        return std::nullopt;
    return FromBytes(std::move(bytes));
}

ListFile::ListFile(std::shared_ptr<const std::string> bytes) : bytes_(std::move(bytes))
{
    // The BOM counts as consumed by the first line, so offsets stay file offsets.
    const std::string_view view(*bytes_);
    if (view.starts_with("\xEF\xBB\xBF")) {
        offset_ = 3;
    } else if (view.starts_with("\xFF\xFE") || view.starts_with("\xFE\xFF")) {
        offset_ = 2;
        unitBytes_ = 2;
        bigEndian_ = view[0] == '\xFE';
    } else if (!IsValidUtf8(view)) {
        windows31j_ = IconvDecoder::Open("CP932");
    }
}

char16_t ListFile::UnitAt(std::size_t i) const
{
    const auto byte = [this](std::size_t at) { return static_cast<unsigned char>((*bytes_)[at]); };
    if (unitBytes_ == 1)
        return byte(i);
    return static_cast<char16_t>(bigEndian_ ? (byte(i) << 8) | byte(i + 1) : (byte(i + 1) << 8) | byte(i));
}

std::u16string ListFile::ReadLine()
{
    // No Windows-31J trail byte is a CR or LF, so lines split safely on bytes;
    // UTF-16 splits on whole units, a lone last byte staying in the last line.
    const std::string& bytes = *bytes_;
    const std::size_t size = bytes.size() - (bytes.size() - offset_) % unitBytes_;
    const std::size_t start = offset_;
    std::size_t end = start;
    while (end < size && UnitAt(end) != u'\r' && UnitAt(end) != u'\n')
        end += unitBytes_;
    if (end == size) {
        end = bytes.size();
        offset_ = end;
    } else if (UnitAt(end) == u'\r' && end + unitBytes_ < size && UnitAt(end + unitBytes_) == u'\n') {
        offset_ = end + 2 * unitBytes_;
    } else {
        offset_ = end + unitBytes_;
    }
    if (unitBytes_ == 1) {
        const std::string_view line = std::string_view(bytes).substr(start, end - start);
        return windows31j_ ? windows31j_->Decode(line) : Utf8ToUtf16(line);
    }
    // Unit by unit: a decoder that skips a bad byte would lose the alignment.
    std::u16string line;
    line.reserve((end - start) / 2 + 1);
    for (std::size_t i = start; i + 1 < end; i += 2)
        line += UnitAt(i);
    if ((end - start) % 2 != 0)
        line += u'\uFFFD';
    return line;
}

}  // namespace pardovane
