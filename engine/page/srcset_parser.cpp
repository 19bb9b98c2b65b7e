#include "engine/page/srcset_parser.h"

#include "engine/page/ascii.h"

#include <charconv>
#include <cmath>
#include <string>

namespace pardovane {
namespace {

struct Span {
    std::size_t offset = 0;
    std::size_t length = 0;
};

std::size_t SkipDigits(std::u16string_view text, std::size_t i)
{
    while (i < text.size() && IsAsciiDigit(text[i]))
        ++i;
    return i;
}

// HTML's valid non-negative integer: one or more digits and nothing else.
bool IsNonNegativeInteger(std::u16string_view text)
{
    return !text.empty() && SkipDigits(text, 0) == text.size();
}

bool IsZero(std::u16string_view digits)
{
    return digits.find_first_not_of(u'0') == std::u16string_view::npos;
}

// HTML's valid floating-point number: -?(d+|d+.d+|.d+)([eE][-+]?d+)?
bool IsFloatingPointNumber(std::u16string_view text)
{
    std::size_t i = !text.empty() && text[0] == u'-' ? 1 : 0;
    const std::size_t integerEnd = SkipDigits(text, i);
    bool digits = integerEnd > i;
    i = integerEnd;
    if (i < text.size() && text[i] == u'.') {
        const std::size_t fractionEnd = SkipDigits(text, i + 1);
        if (fractionEnd == i + 1)
            return false;
        digits = true;
        i = fractionEnd;
    }
    if (!digits)
        return false;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
            ++i;
        const std::size_t exponentEnd = SkipDigits(text, i);
        if (exponentEnd == i)
            return false;
        i = exponentEnd;
    }
    return i == text.size();
}

// A density the rules for floating-point values accept: not negative and not
// past the largest double. Anything too small to represent rounds to zero,
// which is allowed. The text is ASCII by now, so narrowing loses nothing.
bool IsAcceptableDensity(std::u16string_view number)
{
    const std::string ascii(number.begin(), number.end());
    double value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Out of range one way or the other: too small rounds to zero, too
        // large has no value at all. The decimal exponent tells which.
        const std::size_t mark = ascii.find_first_of("eE");
        const bool negativeExponent = mark != std::string::npos && ascii[mark + 1] == '-';
        const std::size_t firstSignificant = ascii.find_first_of("123456789");
        const std::size_t point = ascii.find('.');
        const bool fractionOnly = point != std::string::npos && firstSignificant > point;
        return negativeExponent || fractionOnly;
    }
    return error == std::errc{} && std::isfinite(value) && !(value < 0);
}

// HTML's descriptor parser: whether a candidate with these descriptors is
// one a browser would use.
bool DescriptorsAreValid(std::u16string_view value, const std::vector<Span>& descriptors)
{
    bool width = false;
    bool density = false;
    bool height = false;
    for (const Span& span : descriptors) {
        const std::u16string_view descriptor = value.substr(span.offset, span.length);
        const std::u16string_view number = descriptor.substr(0, descriptor.size() - 1);
        switch (descriptor.back()) {
        case u'w':
            if (width || density || !IsNonNegativeInteger(number) || IsZero(number))
                return false;
            width = true;
            break;
        case u'x':
            if (width || density || height || !IsFloatingPointNumber(number) || !IsAcceptableDensity(number))
                return false;
            density = true;
            break;
        case u'h':
            if (height || density || !IsNonNegativeInteger(number) || IsZero(number))
                return false;
            height = true;
            break;
        default:
            return false;
        }
    }
    return !height || width;
}

// HTML's descriptor tokenizer from i, just past a URL. Each descriptor is a
// run of the value itself, so spans stand for them. Returns where the next
// candidate may start.
std::size_t ReadDescriptors(std::u16string_view value, std::size_t i, std::vector<Span>& descriptors)
{
    enum class State { InDescriptor, InParens, AfterDescriptor } state = State::InDescriptor;
    descriptors.clear();
    while (i < value.size() && IsHtmlSpace(value[i]))
        ++i;
    std::size_t start = i;
    auto finish = [&](std::size_t end) {
        if (end > start)
            descriptors.push_back({start, end - start});
    };
    for (; i < value.size(); ++i) {
        const char16_t c = value[i];
        switch (state) {
        case State::InDescriptor:
            if (IsHtmlSpace(c)) {
                if (i > start) {
                    finish(i);
                    state = State::AfterDescriptor;
                }
                start = i + 1;
            } else if (c == u',') {
                finish(i);
                return i + 1;
            } else if (c == u'(') {
                state = State::InParens;
            }
            break;
        case State::InParens:
            if (c == u')')
                state = State::InDescriptor;
            break;
        case State::AfterDescriptor:
            if (!IsHtmlSpace(c)) {
                state = State::InDescriptor;
                start = i;
                --i;  // the same character again, in a descriptor
            }
            break;
        }
    }
    if (state != State::AfterDescriptor)
        finish(value.size());
    return value.size();
}

}  // namespace

std::vector<SrcsetCandidate> SrcsetUrls(std::u16string_view value)
{
    std::vector<SrcsetCandidate> candidates;
    std::vector<Span> descriptors;
    std::size_t i = 0;
    while (true) {
        while (i < value.size() && (IsHtmlSpace(value[i]) || value[i] == u','))
            ++i;
        if (i == value.size())
            return candidates;
        const std::size_t urlStart = i;
        while (i < value.size() && !IsHtmlSpace(value[i]))
            ++i;
        std::size_t urlEnd = i;
        descriptors.clear();
        if (value[urlEnd - 1] == u',') {
            // A comma after the URL ends the candidate, without descriptors.
            // The URL cannot be all commas: those were skipped above.
            while (value[urlEnd - 1] == u',')
                --urlEnd;
        } else {
            i = ReadDescriptors(value, i, descriptors);
        }
        if (DescriptorsAreValid(value, descriptors))
            candidates.push_back({urlStart, urlEnd - urlStart});
    }
}

}  // namespace pardovane
