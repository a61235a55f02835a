// The lines of a softkey project as a pass acts on them.  Both passes over a
// project (the menu constant pass and the main pass) take their lines from
// here: logical lines split into tokens, their keywords looked up, #INCLUDE
// followed and the conditional sections kept, so that both passes see the
// same lines, numbers and files and cannot disagree.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "diag/Diagnostic.h"
#include "project/FileCoding.h"
#include "project/Preprocessor.h"
#include "project/ProjectKeywords.h"
#include "text/Tokenizer.h"

#include "diag/MessageCodes.h"

namespace q32 {

class File;
struct PlcSymbolTables;
struct RunContext;

// Physical lines and continuation lines of a project file.
constexpr std::size_t kMaxPhysicalLine = 254;
constexpr std::size_t kMaxContinuedLine = 768;

// Where the pieces of a logical line stand in their file.  A continued line
// is joined from physical lines, an overlong physical line is read in
// pieces, and a line counter counts pieces; a place in the joined line maps
// back through these to the physical line and column an editor shows.
struct LinePiece {
  std::size_t from = 0;  // where the piece begins in the logical line
  unsigned line = 0;     // its physical line, from 1
  unsigned column = 0;   // characters of that line before it
};
struct LineMap {
  std::vector<LinePiece> pieces;  // of the last logical line read
  // Where the next read begins.
  unsigned nextLine = 1, nextColumn = 0;
  // The place of the logical line's bytes [begin, end): its physical line,
  // column (from 1) and length; a place reaching into a further piece ends
  // with the piece it begins in.
  WordPlace Place(std::size_t begin, std::size_t end) const;
};

// The next logical line of a project file (continuations joined, CR removed,
// the line feed kept when the physical line had one); false at end of file.
// lineCounter advances by one per physical line read.  The lines of a UTF-8
// file are converted as they are read, so that their limits count the
// characters the control reads; problem (when given) receives the first
// character that has no Windows-1252 form (see ReadCodedLine), and where its
// offset in the line.  map (when given) receives where the pieces of the
// line stand.
bool ReadLogicalLine(File& stream, std::string& line, int& lineCounter, const FileCoding& coding = {},
                     std::string* problem = nullptr, LineMap* map = nullptr, std::size_t* where = nullptr);

// A path setting must leave room for the backslash that may be appended.
constexpr std::size_t kMaxSettingPath = 258;

// The value of a settings line (token 1) into value: 0, 8207 when the line
// has none, 8204 when it is longer than a path setting may be.
[[nodiscard]] Msg SettingValue(const std::vector<std::string>& tokens, std::string& value);

class ProjectLines {
 public:
  // Reads the project from the stream's position, where the line numbered
  // lineNumber starts.  With reports (the main pass) what is wrong with a
  // line or a directive is reported; the menu constant pass reads silently.
  // coding is the project's (RecogniseCoding before its first line); an
  // included file's is recognised when it is opened.
  ProjectLines(RunContext& run, PlcSymbolTables& plc, File& project, const FileCoding& coding, int lineNumber,
               bool reports);
  // Leaves an included file still open (a pass given up inside it).
  ~ProjectLines();
  ProjectLines(const ProjectLines&) = delete;
  ProjectLines& operator=(const ProjectLines&) = delete;

  // Steps to the next line the pass acts on; false at the end of the
  // project.  Conditional directives and #INCLUDE lines are acted on here.
  // Lines of switched-off sections are passed over, except in the passes
  // that keep every branch: a menu project without -post, and a scan.
  bool Next();

  const std::string& text() const { return text_; }  // as read, continuations joined
  const std::vector<std::string>& tokens() const { return *words_; }
  // Where each token stands (its physical line and columns).
  const std::vector<WordPlace>& places() const;
  const ProjectKeyword& keyword() const { return *keyword_; }
  // The line's number in the file being read (run.projectFile).
  int number() const { return number_; }
  // Whether every open section is switched on.
  bool active() const { return pre_.active; }
  // The run being read for.
  RunContext& run() const { return run_; }

  // The place of a word of the line (from a character of it on), or of the
  // line as a whole (word -1), in the file being read.
  SourceSpan Span(int word = -1, unsigned from = 0, unsigned length = 0) const;
  // Sets the place of a span to the line's bytes [begin, end) (as the line
  // stands in text()).
  void PlaceAt(SourceSpan& at, std::size_t begin, std::size_t end) const;
  // A report of the line at a word (or the line as a whole), or at what a
  // check of its words found.
  Diagnostic At(Msg code, int word = -1, std::string argument = {}, unsigned from = 0) const;
  Diagnostic At(Msg code, const Fault& fault) const;
  // The conditional sections open, outermost first, each with what leaves it
  // open where that is known (a misspelt directive inside it).
  const std::vector<OpenSection>& OpenSections() const { return pre_.opened; }
  // At the end of the project: each section still open gets its cause (the
  // note where it opened, unless a misspelt directive explains it).
  void NoteSectionsLeftOpen();

  // At the end of the project: sections still open are reported.
  void CheckSectionsClosed();
  // Back in the project itself when a pass stops inside an included file.
  void LeaveInclude();

  // Called for each line a switched-off section passes over (the menu
  // constant pass notes the names it defines).
  std::function<void(const ProjectLines&)> onPassedOver;

 private:
  DiagnosticId Report(Diagnostic r);
  void PointAtMisspeltDirective();
  void CheckUtf8(const FileCoding& coding);
  void PlaceTokens();
  // Splits text_ into its words and their places in it, and looks the
  // keyword of a complete line's first word up (lineKeyword_): once for a
  // text the runs have met before, when the run is handed their words
  // (which the line then reads where they are kept).
  Split SplitLine();

  RunContext& run_;
  File& project_;
  Preprocessor pre_;
  const bool everyLine_;
  std::string text_;
  // The words of the line split last and where they stand in its text:
  // split here, or kept by the run's line words.
  std::vector<std::string> tokens_;
  std::vector<TokenPlace> tokenPlaces_;
  const std::vector<std::string>* words_ = &tokens_;
  const std::vector<TokenPlace>* wordPlaces_ = &tokenPlaces_;
  // Worked out when first asked for: the menu constant pass asks for few
  // lines' places, the main pass for every line's.  placesMap_ is the map
  // of the line whose places are still to be worked out.
  mutable std::vector<WordPlace> places_;
  mutable const LineMap* placesMap_ = nullptr;
  LineMap projectMap_, includeMap_;
  const ProjectKeyword* keyword_ = nullptr;
  const ProjectKeyword* lineKeyword_ = nullptr;  // of the line split last
  int number_;
  const FileCoding projectCoding_;
  FileCoding includeCoding_;
  std::vector<std::string> utf8Files_;  // files whose UTF-8 the checks were told of
};

}  // namespace q32
