// Language files: the input is one language file, read on its own as an
// ".inc" file and, named ".inc", ".txt" or ".po" by its length, loaded with
// an English file through the directory search of a language table.  Its
// texts are looked up again, and it goes through both code conversions with
// roomy and tight buffers.
#include <string>

#include "FuzzSupport.h"
#include "lang/LanguageTexts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = q32fuzz::AsText(data, size);
  for (std::size_t room : {std::size_t(0), std::size_t(1), std::size_t(8), size / 2 + 1, 4 * size + 1}) {
    std::string out;
    std::size_t n = q32::Utf8ToLatin1(input, &out, room);
    Q32_FUZZ_CHECK(room == 0 || n <= room);
    n = q32::Latin1ToUtf8(input, &out, room);
    Q32_FUZZ_CHECK(room == 0 || n <= room);
  }

  q32test::MemoryFileSystem fs = q32fuzz::BaseFileSystem();
  const std::string langDir = q32fuzz::InWork("lang");
  static const char* const kExtensions[] = {".inc", ".txt", ".po"};
  const std::string name = std::string("de") + kExtensions[size % 3];
  fs.AddFile(langDir + "/" + name, std::string(input));
  fs.AddFile(langDir + "/en.inc", "OK \"Yes\"\nSPINDLE \"Spindle\"\n");
  {
    q32::LanguageEntry entry;
    q32::LanguageFileReport report;
    const int code = q32::Number(q32::ReadLanguageFile(fs, entry, langDir + "/" + name, report));
    Q32_FUZZ_CHECK(q32fuzz::OneOf(code, {0, 8306, 8309}));
    for (const q32::LanguageText& text : entry.texts) {
      Q32_FUZZ_CHECK(text.name.size() <= q32::kMaxLanguageTextName && text.text.size() <= q32::kMaxLanguageText);
      Q32_FUZZ_CHECK(q32::FindLanguageText(entry, text.name) != nullptr);
    }
  }
  {
    q32::LanguageTable table;
    Q32_FUZZ_CHECK(q32::PrepareLanguages(table) == q32::Msg::Ok);
    table.directory = langDir;
    const int code = q32::Number(q32::LoadLanguages(fs, table));
    Q32_FUZZ_CHECK(q32fuzz::OneOf(code, {0, 8306, 8309, 8316, 8317}));
    for (const q32::LanguageEntry& entry : table.entries)
      for (const q32::LanguageText& text : entry.texts)
        Q32_FUZZ_CHECK(q32::FindLanguageText(entry, text.name) != nullptr);
    q32::FreeLanguages(table);
  }
  const std::string* after = fs.FileBytes(langDir + "/" + name);
  Q32_FUZZ_CHECK(after && *after == input);
  return 0;
}
