#include "text/Tokenizer.h"

namespace q32 {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Collects tokens up to the caller's maximum; the first one beyond it makes
// the line too long.
struct TokenSink {
  std::vector<std::string>& tokens;
  std::size_t maximum;
  std::vector<TokenPlace>* places;

  // Opens a new token at byte at; false when the maximum is already reached.
  bool Open(std::size_t at) {
    if (places) places->push_back({at, at});
    if (tokens.size() >= maximum) return false;
    tokens.emplace_back();
    return true;
  }
  std::string& Current() { return tokens.back(); }
  // The open token reaches up to (not including) byte at.
  void Reach(std::size_t at) {
    if (places) places->back().end = at;
  }
};

}  // namespace

Split SplitTokens(std::string_view line, std::vector<std::string>& tokens, std::size_t maximum, bool escapes,
                  std::vector<TokenPlace>* places) {
  tokens.clear();
  if (places) places->clear();
  TokenSink sink{tokens, maximum, places};
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
      sink.Reach(i + 1);
      continue;
    }
    if (c == ';') break;
    if (IsBlank(c) || c == ',' || c == '=' || c == '\n') {
      open = false;
      continue;
    }
    if (c == '"' || c == '\'') {
      // The quote starts a token of its own, even right behind another one.
      if (!sink.Open(i)) return Split::TooManyTokens;
      sink.Reach(i + 1);
      quote = c;
      open = true;
      continue;
    }
    if (!open) {
      if (!sink.Open(i)) return Split::TooManyTokens;
      open = true;
    }
    sink.Current() += c;
    sink.Reach(i + 1);
  }
  return Split::Complete;
}

Split SplitConditionTokens(std::string_view line, std::vector<std::string>& tokens, std::size_t maximum,
                           std::vector<TokenPlace>* places) {
  tokens.clear();
  if (places) places->clear();
  TokenSink sink{tokens, maximum, places};
  bool open = false;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    // The line feed ends the line wherever it stands.
    if (c == '\n') break;
    if (quoted) {
      sink.Current() += c;
      sink.Reach(i + 1);
      if (c == '"') quoted = false;
      continue;
    }
    if (c == ';') break;
    if (IsBlank(c)) {
      open = false;
      continue;
    }
    if (!open) {
      if (!sink.Open(i)) return Split::TooManyTokens;
      open = true;
    }
    // The quotes stay in the token; the quoted part goes on to its closing
    // quote and the token to the next blank.
    if (c == '"') quoted = true;
    sink.Current() += c;
    sink.Reach(i + 1);
  }
  return Split::Complete;
}

}  // namespace q32
