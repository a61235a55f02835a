#include "project/LineWordsCache.h"

namespace q32 {

const LineWordsCache::Words& LineWordsCache::Of(std::string_view text) {
  Line* line = nullptr;
  if (next_ < last_.size() && last_[next_]->first == text) {
    line = last_[next_++];
  } else if (auto found = lines_.find(text); found != lines_.end()) {
    line = &*found;
    // Back in step with the last run after an inserted or removed line.
    if (line->second.at != kNone) next_ = line->second.at + 1;
  } else {
    Words words;
    words.split = SplitTokens(text, words.tokens, kMaxProjectTokens, false, &words.places);
    if (!words.tokens.empty()) words.keyword = LookupProjectKeyword(words.tokens[0]);
    words.run = 0;
    line = &*lines_.emplace(std::string(text), std::move(words)).first;
  }
  if (line->second.run != run_) {
    line->second.run = run_;
    ++asked_;
  }
  now_.push_back(line);
  return line->second;
}

void LineWordsCache::Sweep() {
  // Forgetting costs a walk over every line: done when the lines no run
  // asked for are a quarter of those this one did, so a change of a few
  // lines walks the table only now and then.
  if (lines_.size() - asked_ > asked_ / 4) {
    for (auto it = lines_.begin(); it != lines_.end();) {
      if (it->second.run != run_) it = lines_.erase(it);
      else ++it;
    }
  }
  last_.swap(now_);
  now_.clear();
  for (std::size_t i = 0; i < last_.size(); ++i) last_[i]->second.at = i;
  next_ = 0;
  ++run_;
  asked_ = 0;
}

}  // namespace q32
