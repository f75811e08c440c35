#pragma once
// Numbers on the companion tool's command line: whole decimal numbers only,
// an optional "+", nothing after them.

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>

namespace earloop {

inline std::optional<long long> WholeNumber(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    long long value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (first == last || error != std::errc() || end != last) return std::nullopt;
    return value;
}

inline std::optional<int> InRange(const std::string& text, long long low, long long high) {
    const auto value = WholeNumber(text);
    if (!value || *value < low || *value > high) return std::nullopt;
    return static_cast<int>(*value);
}

inline std::optional<std::uint32_t> Milliseconds(const std::string& text) {
    const auto value = WholeNumber(text);
    if (!value || *value < 0 || *value > 0xFFFFFFFFll) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

}  // namespace earloop
