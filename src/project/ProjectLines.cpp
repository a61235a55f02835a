#include "project/ProjectLines.h"

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "run/RunContext.h"
#include "text/Tokenizer.h"

namespace q32 {

Msg SettingValue(const std::vector<std::string>& tokens, std::string& value) {
  if (tokens.size() < 2) return Msg::TooFewTokens;
  if (tokens[1].size() > kMaxSettingPath) return Msg::ValueInvalid;
  value = tokens[1];
  return Msg::Ok;
}

ProjectLines::ProjectLines(RunContext& run, PlcSymbolTables& plc, File& project, int lineNumber, bool reports)
    : run_(run),
      project_(project),
      pre_(run, plc, reports),
      everyLine_(run.settings.mode == MODE_SCAN || (run.settings.mode == MODE_PROJECT && !run.settings.postProcess)),
      number_(lineNumber - 1) {}

ProjectLines::~ProjectLines() { LeaveInclude(); }

void ProjectLines::Report(Msg code) {
  if (pre_.reports) ReportMessage(run_.diag, code, run_.projectFile, static_cast<unsigned>(number_));
}

bool ProjectLines::Next() {
  for (;;) {
    if (!ReadLogicalLine(pre_.include ? *pre_.include : project_, text_, number_)) {
      // The end of an included file: reading goes on after its #INCLUDE.
      if (ReturnFromInclude(pre_, number_)) continue;
      return false;
    }
    if (IsProjectComment(text_)) continue;
    if (SplitTokens(text_, tokens_, kMaxProjectTokens, false) != Split::Complete) {
      Report(Msg::TooManyTokens);
      continue;
    }
    if (tokens_.empty()) continue;
    keyword_ = LookupProjectKeyword(tokens_[0]);
    if (!keyword_) {
      if (pre_.active) Report(Msg::KeywordNotAllowed);
      continue;
    }
    if (IsConditional(*keyword_)) {
      HandleConditionalDirective(pre_, keyword_->code, tokens_, text_, number_);
      continue;
    }
    if (!pre_.active && !everyLine_) continue;
    if (keyword_->kind == KeywordKind::Directive) {
      HandleInclude(pre_, tokens_, number_);
      continue;
    }
    return true;
  }
}

void ProjectLines::CheckSectionsClosed() { q32::CheckSectionsClosed(pre_, number_); }

void ProjectLines::LeaveInclude() { ReturnFromInclude(pre_, number_); }

}  // namespace q32
