#include "project/LineWordsCache.h"

namespace q32 {

const LineWordsCache::Words& LineWordsCache::Of(std::string_view text) {
  if (auto found = lines_.find(text); found != lines_.end()) {
    found->second.used = true;
    return found->second;
  }
  Words words;
  words.split = SplitTokens(text, words.tokens, kMaxProjectTokens, false, &words.places);
  if (!words.tokens.empty()) words.keyword = LookupProjectKeyword(words.tokens[0]);
  return lines_.emplace(std::string(text), std::move(words)).first->second;
}

void LineWordsCache::Sweep() {
  for (auto it = lines_.begin(); it != lines_.end();) {
    if (!it->second.used) {
      it = lines_.erase(it);
    } else {
      it->second.used = false;
      ++it;
    }
  }
}

}  // namespace q32
