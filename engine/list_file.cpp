#include "engine/list_file.h"

#include "engine/utf_convert.h"

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
    return ListFile(std::move(bytes));
}

ListFile::ListFile(std::string bytes) : bytes_(std::move(bytes))
{
    // The BOM counts as consumed by the first line, so offsets stay file offsets.
    const std::string_view view(bytes_);
    if (view.starts_with("\xEF\xBB\xBF"))
        offset_ = 3;
    else if (!IsValidUtf8(view))
        windows31j_ = IconvDecoder::Open("CP932");
}

std::u16string ListFile::ReadLine()
{
    // No Windows-31J trail byte is a CR or LF, so lines split safely on bytes.
    const std::string_view view(bytes_);
    const std::size_t start = offset_;
    std::size_t end = view.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
        end = view.size();
        offset_ = end;
    } else if (view[end] == '\r' && end + 1 < view.size() && view[end + 1] == '\n') {
        offset_ = end + 2;
    } else {
        offset_ = end + 1;
    }
    const std::string_view line = view.substr(start, end - start);
    return windows31j_ ? windows31j_->Decode(line) : Utf8ToUtf16(line);
}

}  // namespace pardovane
