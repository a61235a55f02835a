#include "project/ProjectLines.h"

#include <algorithm>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "platform/FileSystem.h"
#include "project/LineWordsCache.h"
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

// A piece read at the map's place; the next one begins on the next line
// when this one ended with its line, else further on the same line.
void NotePiece(LineMap* map, std::size_t from, const std::string& piece) {
  if (!map) return;
  map->pieces.push_back({from, map->nextLine, map->nextColumn});
  if (!piece.empty() && piece.back() == '\n') {
    ++map->nextLine;
    map->nextColumn = 0;
  } else {
    map->nextColumn += static_cast<unsigned>(piece.size());
  }
}

}  // namespace

WordPlace LineMap::Place(std::size_t begin, std::size_t end) const {
  if (pieces.empty()) return {};
  std::size_t k = 0;
  while (k + 1 < pieces.size() && pieces[k + 1].from <= begin) ++k;
  const std::size_t pieceEnd = k + 1 < pieces.size() ? pieces[k + 1].from : std::string::npos;
  if (end > pieceEnd) end = pieceEnd;
  const LinePiece& p = pieces[k];
  return {p.line, p.column + static_cast<unsigned>(begin - p.from) + 1, static_cast<unsigned>(end > begin ? end - begin : 0)};
}

bool ReadLogicalLine(File& stream, std::string& line, int& lineCounter, const FileCoding& coding,
                     std::string* problem, LineMap* map, std::size_t* where) {
  std::string missing;
  std::size_t at = 0;
  line.clear();
  if (map) map->pieces.clear();
  if (!ReadCodedLine(stream, coding, line, kMaxPhysicalLine, lineCounter == 0, missing, &at)) return false;
  ++lineCounter;
  NotePiece(map, 0, line);
  DropCarriageReturn(line);
  std::size_t backslash;
  while (ContinuationAt(line, backslash)) {
    // The "\" and the line feed give way to the next physical line; at the end
    // of the file the line simply ends without them.
    line.resize(backslash);
    std::string next;
    const bool clean = missing.empty();
    std::size_t nextAt = 0;
    if (!ReadCodedLine(stream, coding, next, kMaxPhysicalLine + 1, false, missing, &nextAt)) break;
    if (clean && !missing.empty()) at = line.size() + nextAt;
    ++lineCounter;
    NotePiece(map, line.size(), next);
    DropCarriageReturn(next);
    line += next;
  }
  if (problem) *problem = std::move(missing);
  if (where) *where = at;
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
      everyLine_(run.settings.mode == RunMode::Scan || (run.settings.mode == RunMode::Project && !run.settings.postProcess)),
      number_(lineNumber - 1),
      projectCoding_(coding) {
  projectMap_.nextLine = static_cast<unsigned>(lineNumber);
}

ProjectLines::~ProjectLines() { LeaveInclude(); }

DiagnosticId ProjectLines::Report(Diagnostic r) {
  return pre_.reports ? q32::Report(run_.diag, std::move(r)) : kNoDiagnostic;
}

SourceSpan ProjectLines::Span(int word, unsigned from, unsigned length) const {
  SourceSpan at = SpanOf(run_.projectFile, static_cast<unsigned>(number_));
  if (word < 0 || static_cast<std::size_t>(word) >= places().size()) return at;
  const WordPlace& w = places_[static_cast<std::size_t>(word)];
  at.line = w.line;
  from = std::min(from, w.length);
  at.column = w.column + from;
  at.length = length != 0 ? std::min(length, w.length - from) : w.length - from;
  return at;
}

void ProjectLines::PlaceAt(SourceSpan& at, std::size_t begin, std::size_t end) const {
  const LineMap& map = pre_.include ? includeMap_ : projectMap_;
  const WordPlace w = map.Place(begin, end);
  if (w.line == 0) return;
  at.line = w.line;
  at.column = w.column;
  at.length = w.length;
}

Diagnostic ProjectLines::At(Msg code, int word, std::string argument, unsigned from) const {
  Diagnostic r;
  r.code = code;
  r.at = Span(word, from);
  r.reportedLine = static_cast<unsigned>(number_);
  r.argument = std::move(argument);
  return r;
}

Diagnostic ProjectLines::At(Msg code, const Fault& fault) const {
  Diagnostic r = At(code, fault.word, fault.detail);
  r.at = Span(fault.word, fault.from, fault.length);
  return r;
}

void ProjectLines::NoteSectionsLeftOpen() {
  for (OpenSection& section : pre_.opened) ReportSectionLeftOpen(pre_, section);
}

Split ProjectLines::SplitLine() {
  if (LineWordsCache* cache = run_.lineWords) {
    // Kept by the cache, in place, for the rest of the run.
    const LineWordsCache::Words& words = cache->Of(text_);
    words_ = &words.tokens;
    wordPlaces_ = &words.places;
    lineKeyword_ = words.keyword;
    return words.split;
  }
  words_ = &tokens_;
  wordPlaces_ = &tokenPlaces_;
  const Split split = SplitTokens(text_, tokens_, kMaxProjectTokens, false, &tokenPlaces_);
  lineKeyword_ = split == Split::Complete && !tokens_.empty() ? LookupProjectKeyword(tokens_[0]) : nullptr;
  return split;
}

void ProjectLines::PlaceTokens() { placesMap_ = pre_.include ? &includeMap_ : &projectMap_; }

const std::vector<WordPlace>& ProjectLines::places() const {
  if (placesMap_) {
    places_.clear();
    for (const TokenPlace& t : *wordPlaces_) places_.push_back(placesMap_->Place(t.begin, t.end));
    placesMap_ = nullptr;
  }
  return places_;
}

bool ProjectLines::Next() {
  for (;;) {
    const FileCoding& coding = pre_.include ? includeCoding_ : projectCoding_;
    LineMap& map = pre_.include ? includeMap_ : projectMap_;
    // The map is about to hold the next line's pieces.
    placesMap_ = nullptr;
    std::string missing;
    std::size_t where = 0;
    if (!ReadLogicalLine(pre_.include ? *pre_.include : project_, text_, number_, coding, &missing, &map, &where)) {
      // The end of an included file: reading goes on after its #INCLUDE.
      if (ReturnFromInclude(pre_, number_)) continue;
      placesMap_ = nullptr;
      places_.clear();
      return false;
    }
    if (IsProjectComment(text_)) continue;
    if (run_.observer && !coding.utf8) CheckUtf8(coding);
    if (!missing.empty()) {
      Diagnostic r = At(Msg::NoCodePageForm, -1, missing + " is read as \"?\"");
      PlaceAt(r.at, where, where + 1);
      Report(std::move(r));
    }
    if (SplitLine() != Split::Complete) {
      // From the first word beyond the limit on.
      Diagnostic r = At(Msg::TooManyTokens, -1, "a project line holds at most 100 words");
      PlaceAt(r.at, wordPlaces_->back().begin, text_.size());
      Report(std::move(r));
      continue;
    }
    PlaceTokens();
    if (tokens().empty()) continue;
    keyword_ = lineKeyword_;
    if (!keyword_) {
      if (pre_.active) {
        const DiagnosticId id = Report(At(Msg::KeywordNotAllowed, 0, UnknownKeywordDetail(tokens()[0])));
        // A misspelt #ENDIF in a section that is on leaves it open too.
        if (!NearestDirective(tokens()[0]).empty() && !pre_.opened.empty() && pre_.opened.back().cause == kNoDiagnostic)
          pre_.opened.back().cause = id;
      } else {
        PointAtMisspeltDirective();
      }
      continue;
    }
    if (IsConditional(*keyword_)) {
      HandleConditionalDirective(pre_, *this);
      continue;
    }
    if (!pre_.active && !everyLine_) {
      if (onPassedOver) onPassedOver(*this);
      continue;
    }
    if (keyword_->kind == KeywordKind::Directive) {
      // The line's places before an included file's map starts afresh.
      places();
      HandleInclude(pre_, *this, number_);
      if (pre_.include) {
        includeCoding_ = RecogniseCoding(*pre_.include);
        includeMap_ = LineMap{};
      }
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
  SourceSpan span = Span();
  PlaceAt(span, at, at + length);
  run_.observer->Found(CheckFinding(Msg::Utf8ProjectFile, span,
                                    "the bytes " + HexBytes(std::string_view(text_).substr(at, length)) +
                                        " of one character, which the control shows as " + std::to_string(length) +
                                        " characters (the file is read as Windows-1252: line " +
                                        std::to_string(coding.strayLine) + " holds bytes that are no UTF-8)"));
}

// A switched-off section passes over every line, a misspelt #ENDIF too, and
// the sections then end elsewhere than meant: the word is pointed at where it
// stands, as a note, or under -W as a warning.  Both passes meet it; the
// menu constant pass tells it, before the reports that follow from it, and
// the main pass finds it told.  It is what leaves the innermost open section
// open.
void ProjectLines::PointAtMisspeltDirective() {
  const std::string_view meant = NearestDirective(tokens()[0]);
  if (meant.empty()) return;
  Diagnostic r = At(run_.settings.checks ? Msg::MisspeltDirective : Msg::Ok, 0,
                    tokens()[0] + " in a switched-off section looks like a misspelt " + std::string(meant) +
                        "; it is passed over, so the section does not end here");
  r.check = run_.settings.checks;
  r.note = !r.check;
  r.dropRepeat = true;
  const DiagnosticId id = q32::Report(run_.diag, std::move(r));
  if (!pre_.opened.empty() && pre_.opened.back().cause == kNoDiagnostic) pre_.opened.back().cause = id;
}

void ProjectLines::CheckSectionsClosed() { q32::CheckSectionsClosed(pre_, *this); }

void ProjectLines::LeaveInclude() { ReturnFromInclude(pre_, number_); }

}  // namespace q32
