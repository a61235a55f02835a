// The words of the lines of earlier runs of a project, for whoever runs the
// same project again and again (the language server, on every change of
// the editor's text).  Its owner hands it to each run
// (RunContext::lineWords); both passes over the project take a line they
// have split before, by its text, instead of splitting it and looking its
// keyword up again.  A line's words and keyword depend on its text alone.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "project/ProjectKeywords.h"
#include "text/Tokenizer.h"

namespace q32 {

class LineWordsCache {
 public:
  // A logical line as SplitTokens splits it (at most kMaxProjectTokens
  // words, no escapes), with the keyword of its first word (null: none).
  struct Words {
    Split split = Split::Complete;
    std::vector<std::string> tokens;
    std::vector<TokenPlace> places;
    const ProjectKeyword* keyword = nullptr;
    bool used = true;
  };
  // The words of a line: split now, or as an earlier split left them.
  const Words& Of(std::string_view text);
  // Forgets the lines no run asked for since the last call: those the
  // project no longer holds.
  void Sweep();

 private:
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };
  std::unordered_map<std::string, Words, TextHash, std::equal_to<>> lines_;
};

}  // namespace q32
