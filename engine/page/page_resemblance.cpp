#include "engine/page/page_resemblance.h"

#include "engine/page/ascii.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace pardovane {
namespace {

constexpr std::size_t kShingleWords = 3;
// FNV-1a, 64 bits: a word or a shingle needs a hash, not a secret.
constexpr std::uint64_t kFnvOffset = 14695981039346656037ULL;
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;

bool IsWordByte(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')
        || byte >= 0x80;
}

std::vector<std::uint64_t> Words(std::string_view text)
{
    std::vector<std::uint64_t> words;
    for (std::size_t at = 0; at < text.size();) {
        if (!IsWordByte(text[at])) {
            ++at;
            continue;
        }
        std::uint64_t hash = kFnvOffset;
        for (; at < text.size() && IsWordByte(text[at]); ++at)
            hash = (hash ^ static_cast<unsigned char>(AsciiLower(text[at]))) * kFnvPrime;
        words.push_back(hash);
    }
    return words;
}

// Sorted, each once.
std::vector<std::uint64_t> Shingles(std::string_view text)
{
    const std::vector<std::uint64_t> words = Words(text);
    const std::size_t width = std::min(kShingleWords, words.size());
    std::vector<std::uint64_t> shingles;
    for (std::size_t first = 0; width > 0 && first + width <= words.size(); ++first) {
        std::uint64_t hash = kFnvOffset;
        for (std::size_t k = first; k < first + width; ++k)
            hash = (hash ^ words[k]) * kFnvPrime;
        shingles.push_back(hash);
    }
    std::sort(shingles.begin(), shingles.end());
    shingles.erase(std::unique(shingles.begin(), shingles.end()), shingles.end());
    return shingles;
}

}  // namespace

double Resemblance(std::string_view a, std::string_view b)
{
    const std::vector<std::uint64_t> left = Shingles(a);
    const std::vector<std::uint64_t> right = Shingles(b);
    if (left.empty() && right.empty())
        return 1.0;
    std::size_t common = 0;
    for (auto l = left.begin(), r = right.begin(); l != left.end() && r != right.end();) {
        if (*l < *r) {
            ++l;
        } else if (*r < *l) {
            ++r;
        } else {
            ++common;
            ++l;
            ++r;
        }
    }
    return static_cast<double>(common) / static_cast<double>(left.size() + right.size() - common);
}

}  // namespace pardovane
