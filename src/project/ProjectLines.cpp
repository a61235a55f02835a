#include "project/ProjectLines.h"

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "platform/FileSystem.h"
#include "run/RunContext.h"
#include "text/Encoding.h"
#include "text/Tokenizer.h"

namespace q32 {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Drops a carriage return that stands before the line feed, as a text-mode
// stream would.
void DropCarriageReturn(std::string& piece) {
  std::size_t n = piece.size();
  if (n >= 2 && piece[n - 1] == '\n' && piece[n - 2] == '\r') piece.erase(n - 2, 1);
}

// A physical line ends in blank or tab and "\" (before the line feed, if any)
// when the next physical line continues it.  Returns the position of the "\".
bool ContinuationAt(const std::string& line, std::size_t& backslash) {
  std::size_t n = line.size();
  if (n < 3 || n > kMaxContinuedLine) return false;
  std::size_t end = line[n - 1] == '\n' ? n - 1 : n;
  if (end < 2 || line[end - 1] != '\\' || !IsBlank(line[end - 2])) return false;
  backslash = end - 1;
  return true;
}

}  // namespace

bool ReadLogicalLine(File& stream, std::string& line, int& lineCounter, const FileCoding& coding,
                     std::string* problem) {
  std::string missing;
  line.clear();
  if (!ReadCodedLine(stream, coding, line, kMaxPhysicalLine, lineCounter == 0, missing)) return false;
  ++lineCounter;
  DropCarriageReturn(line);
  std::size_t backslash;
  while (ContinuationAt(line, backslash)) {
    // The "\" and the line feed give way to the next physical line; at the end
    // of the file the line simply ends without them.
    line.resize(backslash);
    std::string next;
    if (!ReadCodedLine(stream, coding, next, kMaxPhysicalLine + 1, false, missing)) break;
    ++lineCounter;
    DropCarriageReturn(next);
    line += next;
  }
  if (problem) *problem = std::move(missing);
  return true;
}

Msg SettingValue(const std::vector<std::string>& tokens, std::string& value) {
  if (tokens.size() < 2) return Msg::TooFewTokens;
  if (tokens[1].size() > kMaxSettingPath) return Msg::ValueInvalid;
  value = tokens[1];
  return Msg::Ok;
}

ProjectLines::ProjectLines(RunContext& run, PlcSymbolTables& plc, File& project, const FileCoding& coding,
                           int lineNumber, bool reports)
    : run_(run),
      project_(project),
      pre_(run, plc, reports),
      everyLine_(run.settings.mode == MODE_SCAN || (run.settings.mode == MODE_PROJECT && !run.settings.postProcess)),
      number_(lineNumber - 1),
      projectCoding_(coding) {}

ProjectLines::~ProjectLines() { LeaveInclude(); }

void ProjectLines::Report(Msg code, std::string_view detail) {
  if (pre_.reports) ReportMessage(run_.diag, code, run_.projectFile, static_cast<unsigned>(number_), detail);
}

bool ProjectLines::Next() {
  for (;;) {
    const FileCoding& coding = pre_.include ? includeCoding_ : projectCoding_;
    std::string missing;
    if (!ReadLogicalLine(pre_.include ? *pre_.include : project_, text_, number_, coding, &missing)) {
      // The end of an included file: reading goes on after its #INCLUDE.
      if (ReturnFromInclude(pre_, number_)) continue;
      return false;
    }
    if (IsProjectComment(text_)) continue;
    if (run_.observer && !coding.utf8) CheckUtf8(coding);
    if (!missing.empty()) Report(Msg::NoCodePageForm, missing + " is read as \"?\"");
    if (SplitTokens(text_, tokens_, kMaxProjectTokens, false) != Split::Complete) {
      Report(Msg::TooManyTokens, "a project line holds at most 100 words");
      continue;
    }
    if (tokens_.empty()) continue;
    keyword_ = LookupProjectKeyword(tokens_[0]);
    if (!keyword_) {
      if (pre_.active) Report(Msg::KeywordNotAllowed, UnknownKeywordDetail(tokens_[0]));
      else if (pre_.reports) PointAtMisspeltDirective();
      continue;
    }
    if (IsConditional(*keyword_)) {
      HandleConditionalDirective(pre_, keyword_->code, tokens_, text_, number_);
      continue;
    }
    if (!pre_.active && !everyLine_) continue;
    if (keyword_->kind == KeywordKind::Directive) {
      HandleInclude(pre_, tokens_, number_);
      if (pre_.include) includeCoding_ = RecogniseCoding(*pre_.include);
      continue;
    }
    return true;
  }
}

// A file read as Windows-1252 since some of its bytes are no UTF-8 may still
// hold UTF-8 characters, two or more bytes where the control reads one
// character per byte: texts and titles come out garbled.  The checks are
// told of the first such line of each file.
void ProjectLines::CheckUtf8(const FileCoding& coding) {
  std::size_t length = 0;
  const std::size_t at = FindUtf8Sequence(text_, length);
  if (at == std::string::npos) return;
  for (const std::string& file : utf8Files_)
    if (file == run_.projectFile) return;
  utf8Files_.push_back(run_.projectFile);
  run_.observer->Found(Msg::Utf8ProjectFile, run_.projectFile, number_,
                       "the bytes " + HexBytes(std::string_view(text_).substr(at, length)) +
                           " of one character, which the control shows as " + std::to_string(length) +
                           " characters (the file is read as Windows-1252: line " + std::to_string(coding.strayLine) +
                           " holds bytes that are no UTF-8)");
}

// A switched-off section passes over every line, a misspelt #ENDIF too, and
// the sections then end elsewhere than meant: the word is pointed at where it
// stands, as a note, or under -W as a warning.
void ProjectLines::PointAtMisspeltDirective() {
  const std::string_view meant = NearestDirective(tokens_[0]);
  if (meant.empty()) return;
  const std::string text = tokens_[0] + " in a switched-off section looks like a misspelt " + std::string(meant) +
                           "; it is passed over, so the section does not end here";
  if (run_.settings.checks)
    ReportCheck(run_.diag, Msg::MisspeltDirective, run_.projectFile, static_cast<unsigned>(number_), text);
  else
    ReportNote(run_.diag, run_.projectFile, static_cast<unsigned>(number_), text);
}

void ProjectLines::CheckSectionsClosed() { q32::CheckSectionsClosed(pre_, number_); }

void ProjectLines::LeaveInclude() { ReturnFromInclude(pre_, number_); }

}  // namespace q32
