#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pardovane {

// The URLs a scan of this page will probe, in page order and with repeats:
// absolute links as written, relative ones resolved against baseUrl, mailto
// links left out. It changes nothing, so it can run ahead of the check.
std::vector<std::u16string> ProbedUrls(std::u16string_view pageText, std::u16string_view baseUrl);

}  // namespace pardovane
