// Tokenizing shared by every line-oriented file: the softkey project and its
// includes, the message catalogue, BMX projects and language files.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace q32 {

// Token limits of the callers.
constexpr std::size_t kMaxProjectTokens = 100;
constexpr std::size_t kMaxBmxTokens = 10;

// Whether a line fitted into the caller's maximum of tokens.
enum class Split { Complete, TooManyTokens };

// Splits a line into tokens (blank, tab, "," and "=" separate; quotes group;
// ";" ends the line).  With more than maximum tokens, tokens holds the first
// maximum of them.
[[nodiscard]] Split SplitTokens(std::string_view line, std::vector<std::string>& tokens, std::size_t maximum,
                                bool escapes);
// The simpler split of #IF condition lines: blanks and tabs separate, a
// double-quoted part stays in the token together with its quotes.
[[nodiscard]] Split SplitConditionTokens(std::string_view line, std::vector<std::string>& tokens,
                                         std::size_t maximum);
}  // namespace q32
