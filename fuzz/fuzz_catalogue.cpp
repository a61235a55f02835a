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

  q32test::MemoryFileSystem memory;
  memory.AddDirectory(q32fuzz::kWorkDir);
  memory.AddFile(q32fuzz::InWork("Quillon32.err"), std::string(input));
  q32::FaultyFileSystem fs{memory};
  q32::PathContext paths;
  paths.fs = &fs;
  paths.baseDirectory = q32fuzz::kWorkDir;
  q32::Diagnostics d;
  d.fs = &fs;
  d.showFile = [&paths](std::string_view file) { return q32::DisplayPath(paths, file, false); };
  d.console = q32fuzz::NullConsole();
  const q32::CatalogueLoad load = q32::LoadMessageCatalogue(d, q32fuzz::InWork(""), "Quillon32.err",
                                                            q32::kCatalogueHeader, q32fuzz::InWork("run.log"));
  Q32_FUZZ_CHECK(load == q32::CatalogueLoad::Loaded || load == q32::CatalogueLoad::WrongHeader);
  if (load == q32::CatalogueLoad::Loaded) {
    std::string message;
    q32::LookupMessage(d, 8220, message);
    for (int number : kCodes) {
      if (number == 5) q32::ShowProgress(d, q32::Progress::Softkeys, "text %s", "second", 5, 6);
      else q32::ReportMessage(d, static_cast<q32::Msg>(number), q32fuzz::InWork("project.spm"), 17, "argument %s %d %n");
    }
    q32::LogLine(d, "%s %s %ld %ld", "one", "two", 3, 4);
    Q32_FUZZ_CHECK(d.errorLabel.size() <= q32::kMaxLabelLength && d.warningLabel.size() <= q32::kMaxLabelLength &&
                   d.errorNoLabel.size() <= q32::kMaxLabelLength && d.fileLabel.size() <= q32::kMaxLabelLength);
  }
  q32::CloseMessageCatalogue(d);
  return 0;
}
