#include "text/Tokenizer.h"

namespace q32 {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Collects tokens up to the caller's maximum; the first one beyond it makes
// the line too long.
struct TokenSink {
  std::vector<std::string>& tokens;
  std::size_t maximum;

  // Opens a new token; false when the maximum is already reached.
  bool Open() {
    if (tokens.size() >= maximum) return false;
    tokens.emplace_back();
    return true;
  }
  std::string& Current() { return tokens.back(); }
};

}  // namespace

Split SplitTokens(std::string_view line, std::vector<std::string>& tokens, std::size_t maximum, bool escapes) {
  tokens.clear();
  TokenSink sink{tokens, maximum};
  bool open = false;     // a token is being collected
  char quote = '\0';     // the quote character of an open quoted token
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quote != '\0') {
      if (c == '\n') continue;  // an unclosed quote ends with the line
      if (c == quote) {
        quote = '\0';
        open = false;
      } else if (escapes && c == '\\' && i + 1 < line.size() &&
                 (line[i + 1] == '\\' || line[i + 1] == quote)) {
        sink.Current() += line[++i];
      } else {
        sink.Current() += c;
      }
      continue;
    }
    if (c == ';') break;
    if (IsBlank(c) || c == ',' || c == '=' || c == '\n') {
      open = false;
      continue;
    }
    if (c == '"' || c == '\'') {
      // The quote starts a token of its own, even right behind another one.
      if (!sink.Open()) return Split::TooManyTokens;
      quote = c;
      open = true;
      continue;
    }
    if (!open) {
      if (!sink.Open()) return Split::TooManyTokens;
      open = true;
    }
    sink.Current() += c;
  }
  return Split::Complete;
}

Split SplitConditionTokens(std::string_view line, std::vector<std::string>& tokens, std::size_t maximum) {
  tokens.clear();
  TokenSink sink{tokens, maximum};
  bool open = false;
  bool quoted = false;
  for (char c : line) {
    // The line feed ends the line wherever it stands.
    if (c == '\n') break;
    if (quoted) {
      sink.Current() += c;
      if (c == '"') quoted = false;
      continue;
    }
    if (c == ';') break;
    if (IsBlank(c)) {
      open = false;
      continue;
    }
    if (!open) {
      if (!sink.Open()) return Split::TooManyTokens;
      open = true;
    }
    // The quotes stay in the token; the quoted part goes on to its closing
    // quote and the token to the next blank.
    if (c == '"') quoted = true;
    sink.Current() += c;
  }
  return Split::Complete;
}

}  // namespace q32
