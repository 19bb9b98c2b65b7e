// The list-file reader over any bytes: every line is read once, offsets only
// move forward and end at the file's length, and no line holds a line end.

#include "engine/input/list_file.h"
#include "fuzz_check.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pardovane;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ListFile list = ListFile::FromBytes(bytes);
    fuzz::Require(list.length() == size, "length is the byte count");

    const auto lineEnds = static_cast<std::size_t>(
        std::count_if(bytes.begin(), bytes.end(), [](char c) { return c == '\r' || c == '\n'; }));
    std::size_t lines = 0;
    std::uint64_t previous = list.offset();
    while (!list.AtEnd()) {
        const std::u16string line = list.ReadLine();
        ++lines;
        fuzz::Require(list.offset() > previous, "each line consumes bytes");
        fuzz::Require(list.offset() <= size, "offsets stay in the file");
        fuzz::Require(line.find_first_of(u"\r\n") == std::u16string::npos, "no line end in a line");
        fuzz::Require(lines <= lineEnds + 1, "no more lines than line ends allow");
        previous = list.offset();
    }
    fuzz::Require(list.offset() == size, "the whole file is consumed");

    // Valid UTF-8 without a BOM reads back byte for byte, line ends aside.
    if (!bytes.starts_with("\xEF\xBB\xBF") && IsValidUtf8(bytes)) {
        ListFile again = ListFile::FromBytes(bytes);
        std::string joined;
        while (!again.AtEnd())
            joined += Utf16ToUtf8(again.ReadLine());
        std::string withoutEnds = bytes;
        std::erase_if(withoutEnds, [](char c) { return c == '\r' || c == '\n'; });
        fuzz::Require(joined == withoutEnds, "UTF-8 lines are kept as written");
    }
    return 0;
}
