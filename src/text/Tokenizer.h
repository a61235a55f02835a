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

// Where a token stands in its line, in bytes: from its first character (the
// opening quote of a quoted token) to the character after its last (after
// the closing quote, when there is one), so that a report or an editor can
// point at the word as written.
struct TokenPlace {
  std::size_t begin = 0, end = 0;
};

// Splits a line into tokens (blank, tab, "," and "=" separate; quotes group;
// ";" ends the line).  With more than maximum tokens, tokens holds the first
// maximum of them, and places (when given) one more: where the first token
// beyond the maximum begins.
[[nodiscard]] Split SplitTokens(std::string_view line, std::vector<std::string>& tokens, std::size_t maximum,
                                bool escapes, std::vector<TokenPlace>* places = nullptr);
// The simpler split of #IF condition lines: blanks and tabs separate, a
// double-quoted part stays in the token together with its quotes.
[[nodiscard]] Split SplitConditionTokens(std::string_view line, std::vector<std::string>& tokens,
                                         std::size_t maximum, std::vector<TokenPlace>* places = nullptr);
}  // namespace q32
