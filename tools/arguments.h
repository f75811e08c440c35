#pragma once
// Numbers on the companion tool's command line: whole decimal numbers only,
// an optional "+", nothing after them.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

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

// Exit statuses: 0 done, 1 the file or the output failed, 2 unusable arguments.
inline constexpr int kUsageError = 2;

// One line on standard error naming the subcommand.
inline int UsageError(const char* subcommand, const std::string& reason) {
    std::fprintf(stderr, "earloop-cli %s: %s\n", subcommand, reason.c_str());
    return kUsageError;
}

// A subcommand's arguments parsed, then the request run; a usage error when
// they are unusable.
template <class Request>
int RunSubcommand(const char* name, int argc, char** argv,
                  std::variant<Request, std::string> (*parse)(std::span<const std::string>),
                  int (*run)(const Request&)) {
    const std::vector<std::string> args(argv, argv + argc);
    auto parsed = parse(args);
    if (const auto* reason = std::get_if<std::string>(&parsed)) return UsageError(name, *reason);
    return run(std::get<Request>(parsed));
}

}  // namespace earloop
