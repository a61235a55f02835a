// The message catalogue: the input is the catalogue file.  It is loaded,
// messages are looked up, reported with file, line and argument, shown as
// progress and written to the log, so that label lines, quoting and the
// printf-style texts all meet hostile content.  The input also serves as a
// message text for the formatter directly.
#include <string>

#include "FuzzSupport.h"

namespace {

// Codes of every kind: a progress message, an error, a warning, a code
// that is surely missing (its lookup reads every line, labels included).
// Every lookup reads the catalogue from its start, so a few codes keep the
// target fast.
const int kCodes[] = {5, 8220, -8231, 99999};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = q32fuzz::AsText(data, size);
  std::string text = q32::FormatMessageText(input, "a text", "b text", 12, -34);
  text = q32::FormatMessageText(input, "a", nullptr, 0, 0);
  text = q32::FormatMessageText(input, nullptr, nullptr, 1L << 40, -1);

  auto& dir = q32fuzz::ScratchDir::Get();
  q32fuzz::WriteWholeFile(dir / "Quillon32.err", input);

  std::unique_ptr<q32::FileSystem> host = q32::MakeHostFileSystem();
  q32::FaultyFileSystem fs{*host};
  q32::PathContext paths;
  paths.fs = &fs;
  paths.baseDirectory = dir.path();
  q32::Diagnostics d;
  d.fs = &fs;
  d.paths = &paths;
  d.console = q32fuzz::NullConsole();
  int errors = 0, warnings = 0;
  int code = q32::LoadMessageCatalogue(d, errors, warnings, dir.path() + "/", "Quillon32.err",
                                       q32::kCatalogueHeader, dir / "run.log");
  Q32_FUZZ_CHECK(code == 0 || code == 3);
  if (code == 0) {
    std::string message;
    q32::LookupMessage(d, 8220, message);
    for (int number : kCodes) {
      if (number == 5) q32::ShowProgress(d, number, "text %s", "second", 5, 6);
      else q32::ReportMessage(d, number, dir / "project.spm", 17, "argument %s %d %n");
    }
    q32::LogLine(d, "%s %s %ld %ld", "one", "two", 3, 4);
    Q32_FUZZ_CHECK(d.errorLabel.size() <= q32::kMaxLabelLength && d.warningLabel.size() <= q32::kMaxLabelLength &&
                   d.errorNoLabel.size() <= q32::kMaxLabelLength && d.fileLabel.size() <= q32::kMaxLabelLength);
  }
  q32::CloseMessageCatalogue(d);
  return 0;
}
