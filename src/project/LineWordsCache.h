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
    std::size_t run = 0;     // the last run that asked for it
    std::size_t at = kNone;  // where the last run asked for it (last of several)
  };
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  // The words of a line: split now, or as an earlier split left them.
  const Words& Of(std::string_view text);
  // Ends a run: the lines it asked for, in order, are what the next run is
  // expected to ask for.  Lines no run has asked for in a while (those the
  // project no longer holds) are forgotten once they are a good part of all.
  void Sweep();

 private:
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };
  using Lines = std::unordered_map<std::string, Words, TextHash, std::equal_to<>>;
  using Line = Lines::value_type;
  Lines lines_;
  // A change of the editor's text leaves all but a few lines where they
  // were: a run asks for the lines of the last run in the same order, and
  // following that order costs a comparison where a lookup costs a hash and
  // a probe into a table of every line of the project.
  std::vector<Line*> last_, now_;
  std::size_t next_ = 0;  // the line of last_ expected next
  std::size_t run_ = 1, asked_ = 0;  // the lines this run asked for, each once
};

}  // namespace q32
