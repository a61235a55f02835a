#include "project/SourceDispatch.h"

#include <string>

#include "bmx/BmxGenerate.h"
#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "formats/SoftkeyFormats.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "project/ConversionCache.h"
#include "run/RunContext.h"

namespace q32 {
namespace {

constexpr const char* kGeneratingFormat = "GeneratingSK \"%s\" %s";
constexpr const char* kCheckingFormat = "CheckingSK \"%s\" %s";
constexpr const char* kScannedFormat = "File %s";

void LogSource(RunContext& run, const char* format, std::string_view source) {
  std::string shown = DisplayPath(run.paths, source);
  LogLine(run.diag, format, shown.c_str(), run.project.destPath.c_str());
}

void LogSource(RunContext& run, const char* format) { LogSource(run, format, run.softkey.source); }

// Checking runs, and softkeys that are already generated, only need the
// source to be there.
Conversion CheckSource(RunContext& run) {
  if (!run.settings.fileCheck) return Conversion{};
  if (!FileExists(run.fs, run.softkey.source))
    return Conversion{Msg::SourceMissing, DisplayPath(run.paths, run.softkey.source)};
  LogSource(run, kCheckingFormat);
  return Conversion{};
}

// A BMX project is generated from inside its own directory, so that the
// pictures and texts it names relative to itself are found.  The current
// directory is restored afterwards whatever the result.
Conversion DispatchBmxProject(RunContext& run, LanguageTable& languages, bool& firstBmxProject) {
  SoftkeyContext& k = run.softkey;
  std::string remembered;
  const std::string shown = DisplayPath(run.paths, k.source);
  if (!run.fs.GetCurrentDir(remembered)) return Conversion{Msg::SourceMissing, shown};
  std::string fullPath;
  if (!run.fs.FullPath(k.source, fullPath) || fullPath.size() > kMaxPathLength)
    return Conversion{Msg::SourceMissing, shown + " (its full path is longer than 259 characters)"};
  if (!run.fs.SetCurrentDir(DirectoryOf(fullPath))) return Conversion{Msg::SourceMissing, shown};

  // The generator reports everything itself.
  const bool generated = GenerateBmxSoftkey(run, languages, fullPath, run.project.destPath, run.project.languagePath,
                                            run.settings.incLanguagePath, firstBmxProject);

  firstBmxProject = false;
  run.fs.SetCurrentDir(remembered);
  k.targetExt = ".bmx";
  return Conversion{Msg::Ok, generated};
}

// A picture source, a text source or a drawing is converted from its files
// and the line alone, so a run that is handed the conversions of earlier
// runs may take it from there.  A picture's log line, which names the
// generated softkey, is made with its conversion and taken with it.
Conversion Convert(RunContext& run, const SourceFormat& format, const char* logFormat = nullptr) {
  auto convert = [&run, &format, logFormat] {
    Conversion result = format.convert(run);
    if (result.code == Msg::Ok && logFormat) {
      std::string generated = run.softkey.source;
      ReplaceExtension(generated, run.softkey.targetExt);
      LogSource(run, logFormat, generated);
    }
    return result;
  };
  if (run.conversions) return run.conversions->Convert(run, convert);
  run.inputGuard.RegisterInput(run.softkey.source);
  return convert();
}

}  // namespace

Conversion DispatchSoftkey(RunContext& run, LanguageTable& languages, bool& firstBmxProject) {
  SoftkeyContext& k = run.softkey;
  const RunSettings& s = run.settings;
  k.targetExt = s.controlFamilyLE ? ".sk" : ".PIC";
  if (s.mode == RunMode::Check) return CheckSource(run);
  // A converter may create its softkey before it opens the source; the
  // source is an input from here on, so a softkey named like it is refused
  // (a conversion registers it itself, with the name an earlier run made).
  const SourceFormat& format = SourceFormatOf(k.sourceType);
  if (format.role == SourceRole::BmxProject || format.role == SourceRole::Softkey)
    run.inputGuard.RegisterInput(k.source);
  switch (format.role) {
    case SourceRole::Picture: {
      Conversion result = Convert(run, format, kGeneratingFormat);
      // From here on the line names the generated softkey.
      if (result.code == Msg::Ok) ReplaceExtension(k.source, k.targetExt);
      return result;
    }
    case SourceRole::BmxProject:
      return DispatchBmxProject(run, languages, firstBmxProject);
    case SourceRole::Drawing:
      return Convert(run, format);
    case SourceRole::Text: {
      Conversion result = Convert(run, format);
      if (result.code == Msg::Ok && run.project.txsSource) LogSource(run, kCheckingFormat);
      return result;
    }
    case SourceRole::InLineText:
      // A text given in the line itself: nothing to convert or check.
      return Conversion{};
    case SourceRole::Softkey:
      break;
  }
  // An already generated softkey keeps its own extension.
  std::size_t dot = k.source.rfind('.');
  if (dot != std::string::npos) k.targetExt = k.source.substr(dot);
  return CheckSource(run);
}

void LogScannedSource(RunContext& run) {
  SoftkeyContext& k = run.softkey;
  switch (SourceFormatOf(k.sourceType).role) {
    case SourceRole::InLineText:
      return;  // the text stands in the line itself
    case SourceRole::BmxProject: {
      LogSource(run, kScannedFormat);
      std::string remembered, fullPath;
      if (!run.fs.GetCurrentDir(remembered) || !run.fs.FullPath(k.source, fullPath) ||
          fullPath.size() > kMaxPathLength || !run.fs.SetCurrentDir(DirectoryOf(fullPath)))
        return;
      ListBmxIncludes(run, fullPath, run.project.languagePath, run.settings.incLanguagePath);
      run.fs.SetCurrentDir(remembered);
      return;
    }
    default:
      LogSource(run, kScannedFormat);
      return;
  }
}

}  // namespace q32
