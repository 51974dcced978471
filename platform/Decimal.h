#pragma once
// The one reader of decimal digits, for the numbers that the registry and the mark of the web hold as text.
// Each caller keeps its own rule of what it accepts around them.

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace tovalset {

// The number that the decimal digits at the start of `text` spell, reading at most `most` of them, and how
// many digits it read.
template <typename Char>
std::pair<unsigned long, std::size_t> LeadingDigits(const std::basic_string<Char>& text, std::size_t most) {
    unsigned long number = 0;
    std::size_t digits = 0;
    for (; digits < text.size() && digits < most && text[digits] >= Char('0') && text[digits] <= Char('9');
         ++digits) {
        number = number * 10 + static_cast<unsigned long>(text[digits] - Char('0'));
    }
    return {number, digits};
}

// A text of one to nine decimal digits and nothing else (nine always fit in 32 bits), as its number.
template <typename Char> std::optional<unsigned long> WholeNumber(const std::basic_string<Char>& text) {
    constexpr std::size_t kMostDigits = 9;
    const auto [number, digits] = LeadingDigits(text, kMostDigits);
    if (digits == 0 || digits != text.size()) {
        return std::nullopt;
    }
    return number;
}

} // namespace tovalset
