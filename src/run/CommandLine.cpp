#include "run/CommandLine.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "paths/Paths.h"
#include "platform/Host.h"
#include "text/Ascii.h"
#include "vocab/Vocabulary.h"

namespace q32 {
namespace {

// Buffers of the original hold 260 bytes (a path) or 20 bytes (the model).
std::string Cut(std::string_view text, std::size_t max) { return std::string(text.substr(0, max)); }

using O = OptionId;

// One option word, written after "-" (or "/").  An option with a value takes
// the rest of the word (-pjmill.pj); the others must be written whole.  Case
// does not matter unless caseSensitive is set.
struct CommandLineOption {
  OptionId id;
  const VocabularyEntry* entry;  // an option with a value form takes one
  bool caseSensitive;
};

consteval const VocabularyEntry& E(std::string_view word) { return VocabularyEntryOf(WordKind::Option, word); }

// Whole words first, then the options that take the rest of the word as
// their value, so that a word such as -checkx matches nothing.
constexpr CommandLineOption kOptions[] = {
    {O::Check, &E("check"), false},          {O::GenHeader, &E("genh"), false},
    {O::GenDef, &E("gendef"), false},        {O::GenSys, &E("gensys"), false},
    {O::Menu, &E("menu"), false},            {O::NoFileCheck, &E("nofilecheck"), false},
    {O::NoGenDef, &E("nogendef"), false},    {O::NoGenSkSys, &E("nogensksys"), false},
    {O::Post, &E("post"), false},            {O::Scan, &E("scan"), false},
    {O::Version, &E("ver"), false},          {O::Checks, &E("W"), false},
    {O::ChecksAsErrors, &E("Werror"), false}, {O::GccDiagnostics, &E("diag:gcc"), false},
    {O::ConfigFile, &E("cfg"), false},       {O::Sarif, &E("sarif:"), false},
    {O::DepFile, &E("MF"), false},           {O::DestDir, &E("dp"), false},
    // The embedding program writes EMB in upper case; nothing else is taken.
    {O::Embedded, &E("EMB"), true},          {O::PlcProject, &E("pj"), false},
    {O::Defines, &E("a"), false},            {O::LanguageDir, &E("i"), false},
    {O::IncLanguageDir, &E("l"), false},     {O::OutputDir, &E("o"), false},
    {O::ConfigFile, &E("r"), false},         {O::Model, &E("t"), false},
};
static_assert(std::size(kOptions) == CountWords(WordKind::Option), "every option has its record");

constexpr OptionId kEveryOption[] = {
    O::Check,       O::GenHeader,  O::GenDef,   O::GenSys,     O::Menu,       O::NoFileCheck,    O::NoGenDef,
    O::NoGenSkSys,  O::Post,       O::Scan,     O::Version,    O::ConfigFile, O::DestDir,        O::Embedded,
    O::PlcProject,  O::Defines,    O::LanguageDir, O::IncLanguageDir, O::OutputDir, O::Model,
    O::Checks,      O::ChecksAsErrors, O::GccDiagnostics, O::Sarif, O::DepFile,
};

const CommandLineOption* FindOption(std::string_view word) {
  for (const CommandLineOption& o : kOptions) {
    std::string_view name = o.entry->word;
    bool match = o.entry->form.empty()      ? EqualsIgnoringCase(word, name)
                 : o.caseSensitive ? word.substr(0, name.size()) == name
                                   : StartsWithIgnoringCase(word, name);
    if (match) return &o;
  }
  return nullptr;
}

// Takes one option into the settings.
void ApplyOption(const CommandLineOption& option, std::string_view value, RunSettings& s) {
  switch (option.id) {
    case O::Check: s.mode = RunMode::Check; break;
    case O::GenHeader: s.genHeader = true; break;
    case O::GenDef: s.mode = RunMode::Gendef; break;
    case O::GenSys: s.mode = RunMode::Gensys; break;
    case O::Menu: s.menuOnly = true; break;
    case O::NoFileCheck: s.fileCheck = false; break;
    case O::NoGenDef: s.noGenDef = true; break;
    case O::NoGenSkSys: s.noGenSkSys = true; break;
    case O::Post: s.postProcess = true; break;
    case O::Scan:
      s.mode = RunMode::Scan;
      s.noGenDef = true;
      break;
    case O::Version: break;
    case O::ConfigFile: s.cfgFile = Cut(value, kMaxPathLength); break;
    case O::DestDir: s.destDir = Cut(value, kMaxPathLength); break;
    case O::Embedded: {
      std::string digits(value);
      s.embedded = static_cast<std::uint32_t>(std::strtoul(digits.c_str(), nullptr, 10));
      break;
    }
    case O::PlcProject:
      s.pjFile = Cut(value, kMaxPathLength);
      s.pjGiven = true;
      break;
    case O::Defines: s.defineList = std::string(value); break;
    case O::LanguageDir: s.languagePath = Cut(value, kMaxPathLength); break;
    case O::IncLanguageDir: s.incLanguagePath = Cut(value, kMaxPathLength); break;
    case O::OutputDir: s.outputDir = Cut(value, kMaxPathLength); break;
    case O::Model: s.model = Cut(value, kMaxModelLength); break;
    case O::Checks: s.checks = true; break;
    case O::ChecksAsErrors:
      s.checks = true;
      s.checksAsErrors = true;
      break;
    case O::GccDiagnostics: s.gccDiagnostics = true; break;
    case O::Sarif: s.sarifFile = Cut(value, kMaxPathLength); break;
    case O::DepFile: s.depFile = Cut(value, kMaxPathLength); break;
  }
}

}  // namespace

bool IsOptionWord(std::string_view arg) {
  if (arg.empty()) return false;
  if (arg[0] == '-') return true;
  if (arg[0] != '/') return false;
  // A POSIX user writes absolute paths with "/": only a slash word without a
  // further slash is a switch there.
  return kWindowsHost || arg.find('/', 1) == std::string_view::npos;
}

std::span<const OptionId> GeneratorOptions() { return kEveryOption; }

int VariantMemoryLimit(std::string_view list) {
  constexpr std::string_view kBase = "$VARIANTBASE$ = ";
  constexpr std::string_view kIndex = "$VARIANTINDEX$ = ";
  constexpr std::string_view kBaseFamily = "48213";
  std::size_t base = list.find(kBase);
  std::size_t index = list.find(kIndex);
  if (base == std::string_view::npos || index == std::string_view::npos) return 64;
  std::string_view family = list.substr(base + kBase.size());
  if (family.substr(0, kBaseFamily.size()) != kBaseFamily) return 64;
  std::string_view text = list.substr(index + kIndex.size());
  std::string digits(text.substr(0, 32));
  long variant = std::strtol(digits.c_str(), nullptr, 10);
  // A letter after the two-digit index counts as the next variant.
  if (text.size() > 2 && text[2] >= 'A' && text[2] <= 'Z') ++variant;
  return variant >= 2 ? 128 : 64;
}

CommandLine ParseCommandLine(std::span<const std::string> words, RunSettings& s, std::span<const OptionId> accepted) {
  CommandLine result;
  auto usage = [&result](std::string_view word) {
    result.action = CommandLine::Action::Usage;
    result.unknownOption = std::string(word);
    return result;
  };
  for (std::size_t i = 0; i < words.size(); ++i) {
    std::string_view arg = words[i];
    if (!arg.empty() && arg[0] == '?') return usage({});
    if (!IsOptionWord(arg)) {
      s.projectFile = Cut(arg, kMaxPathLength);
      ++result.projectWords;
      continue;
    }
    const CommandLineOption* option = FindOption(arg.substr(1));
    if (!option || std::find(accepted.begin(), accepted.end(), option->id) == accepted.end()) return usage(arg);
    if (option->id == O::Version) {
      result.action = CommandLine::Action::Version;
      return result;
    }
    std::string_view value = arg.substr(1 + option->entry->word.size());
    // The dependency file is written as compilers take it, also as the next
    // word (-MF p.d), which build files put together from separate words.
    if (option->id == O::DepFile && value.empty()) {
      if (i + 1 == words.size()) return usage(arg);
      value = words[++i];
    }
    ApplyOption(*option, value, s);
  }
  if ((s.mode == RunMode::Project || s.mode == RunMode::Check) && !s.pjGiven) return usage({});
  if (s.projectFile.empty()) return usage({});
  s.controlFamilyLE = StartsWithIgnoringCase(s.model, "Orva");
  if (s.defineList) s.pyMemLimit = VariantMemoryLimit(*s.defineList);
  return result;
}

}  // namespace q32
