#pragma once

#include <string>
#include <string_view>

namespace pardovane {

// An attribute value with its character references replaced, as HTML reads
// attribute values: named references from HTML's table (the legacy ones
// also without ";", but then not before "=", a letter or a digit) and
// numeric ones, with HTML's replacements for 0, surrogates, values past
// U+10FFFF and the C1 range. What is no reference stays as written.
std::u16string DecodeCharRefs(std::u16string_view value);

}  // namespace pardovane
