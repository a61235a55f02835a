#include "project/SourceDispatch.h"

#include <string>

#include "diag/Diagnostics.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "project/RunContext.h"
#include "raster/BitmapSoftkey.h"
#include "raster/PcxSoftkey.h"

namespace q32 {
namespace {

constexpr int kSourceMissing = 8221;
// A source type whose converter this build does not hold.
constexpr int kConversionNotAvailable = 8229;

constexpr const char* kGeneratingFormat = "GeneratingSK \"%s\" %s";
constexpr const char* kCheckingFormat = "CheckingSK \"%s\" %s";
constexpr const char* kScannedFormat = "File %s";

void LogSource(RunContext& run, const char* format) {
  std::string shown = DisplayPath(run.paths, run.softkey.source);
  LogLine(run.diag, format, shown.c_str(), run.softkey.destPath.c_str());
}

// Checking runs, and softkeys that are already generated, only need the
// source to be there.
int CheckSource(RunContext& run) {
  RunSettings& s = run.settings;
  if (!s.fileCheck) return 0;
  bool exists = s.fileExists ? s.fileExists(run.softkey.source) : FileExists(run.fs, run.softkey.source);
  if (!exists) return kSourceMissing;
  LogSource(run, kCheckingFormat);
  return 0;
}

// A BMX project is generated from inside its own directory, so that the
// pictures and texts it names relative to itself are found.  The current
// directory is restored afterwards whatever the result.
int DispatchBmxProject(RunContext& run) {
  SoftkeyContext& k = run.softkey;
  std::string remembered;
  if (!run.fs.GetCurrentDir(remembered)) return kSourceMissing;
  std::string fullPath;
  if (!run.fs.FullPath(k.source, fullPath) || fullPath.size() > kMaxPathLength) return kSourceMissing;
  if (!run.fs.SetCurrentDir(DirectoryOf(fullPath))) return kSourceMissing;

  // Connection point: the BMX generator lands with its own subsystem.  It is
  // called with fullPath, k.destPath, run.settings.languagePath (language
  // directory), run.settings.incLanguagePath (language directory base) and
  // run.firstBmxProject.
  int result = kConversionNotAvailable;

  run.firstBmxProject = false;
  run.fs.SetCurrentDir(remembered);
  k.targetExt = ".bmx";
  return result;
}

}  // namespace

int DispatchSoftkey(RunContext& run) {
  SoftkeyContext& k = run.softkey;
  RunSettings& s = run.settings;
  k.targetExt = s.controlFamilyLE ? ".sk" : ".PIC";
  if (s.mode == MODE_CHECK) return CheckSource(run);

  switch (k.sourceType) {
    case SOURCE_PCX:
    case SOURCE_BMP: {
      int result = k.sourceType == SOURCE_PCX ? ConvertPcxSoftkey(run, k.source)
                                              : ConvertBitmapSoftkey(run, k.source);
      if (result == 0) {
        // From here on the line names the generated softkey.
        ReplaceExtension(k.source, k.targetExt);
        LogSource(run, kGeneratingFormat);
      }
      return result;
    }
    case SOURCE_BPJ:
      return DispatchBmxProject(run);
    case SOURCE_DXF:
      // Connection point: the DXF converter lands with its own subsystem
      // (called with k.source and the value 1; it logs nothing here).
      return kConversionNotAvailable;
    case SOURCE_TXS:
    case SOURCE_TXM:
    case SOURCE_TXB: {
      // Connection point: the text softkey converter lands with its own
      // subsystem (called with k.source and the letter "S", "M" or "B").
      int result = kConversionNotAvailable;
      if (result == 0 && s.txsSource) LogSource(run, kCheckingFormat);
      return result;
    }
    case SOURCE_TX:
      // A text given in the line itself: nothing to convert or check.
      return 0;
    default: {
      // An already generated softkey keeps its own extension.
      std::size_t dot = k.source.rfind('.');
      if (dot != std::string::npos) k.targetExt = k.source.substr(dot);
      return CheckSource(run);
    }
  }
}

int LogScannedSource(RunContext& run) {
  SoftkeyContext& k = run.softkey;
  switch (k.sourceType) {
    case SOURCE_TXS:
    case SOURCE_TXM:
    case SOURCE_TXB:
    case SOURCE_TX:
      return 0;
    case SOURCE_BPJ: {
      LogSource(run, kScannedFormat);
      std::string remembered, fullPath;
      if (!run.fs.GetCurrentDir(remembered) || !run.fs.FullPath(k.source, fullPath) ||
          fullPath.size() > kMaxPathLength || !run.fs.SetCurrentDir(DirectoryOf(fullPath)))
        return 0;
      // Connection point: the listing of the files the BMX project uses
      // lands with the BMX subsystem (ListBmxIncludes, from inside the
      // project's directory).
      run.fs.SetCurrentDir(remembered);
      return 0;
    }
    default:
      LogSource(run, kScannedFormat);
      return 0;
  }
}

}  // namespace q32
