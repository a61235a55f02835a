#include "lang/LanguageTexts.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/FaultyFileSystem.h"
#include "platform/FileSystem.h"
#include "platform/LanguageLibrary.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

using q32test::TempDir;
using q32test::WriteFile;

struct Loaded {
  int rc = -1;
  LanguageTable table;
};

// Loads the languages of a directory through the host file system.
void Load(FileSystem& fs, const std::string& dir, Loaded& out) {
  ASSERT_EQ(PrepareLanguages(out.table), 0);
  out.table.directory = dir;
  out.rc = LoadLanguages(fs, out.table);
}

std::string Text(const LanguageEntry& entry, const std::string& name) {
  const std::string* text = FindLanguageText(entry, name);
  return text ? *text : "<missing>";
}

// Reads one file into a fresh entry.
int ReadOne(const std::string& path, LanguageEntry& entry, bool& untranslated) {
  auto fs = MakeHostFileSystem();
  return ReadLanguageFile(*fs, entry, path, untranslated);
}

TEST(LanguageTexts, DirectorySearchSlotsAndLibraryOrder) {
  TempDir dir;
  WriteFile(dir / "de.inc", "OK \"Ja\"\n");
  WriteFile(dir / "de.po", "msgid \"OK\"\nmsgstr \"Jawohl\"\n");
  WriteFile(dir / "EN.TXT", "OK \"Yes\"\n");
  WriteFile(dir / "german.inc", "OK \"six-letter base name\"\n");
  WriteFile(dir / "xx.inc", "OK \"unknown language\"\n");
  WriteFile(dir / "fr.pot", "msgid \"OK\"\nmsgstr \"Oui\"\n");  // not a language file
  WriteFile(dir / "it", "OK \"no extension\"\n");
  WriteFile(dir / "it.txt", "OK \"Si (txt)\"\n");
  WriteFile(dir / "It.Inc", "OK \"Si (inc)\"\n");
  WriteFile(dir / "cs.inc/inner.txt", "a directory named like a file\n");
  auto fs = MakeHostFileSystem();
  std::string before;
  ASSERT_TRUE(fs->GetCurrentDir(before));

  Loaded l;
  Load(*fs, dir.path(), l);
  ASSERT_EQ(l.rc, 0);
  EXPECT_EQ(l.table.state, kLanguagesLoaded);
  // The library's order (EN before DE), not the directory's.
  ASSERT_EQ(l.table.entries.size(), static_cast<std::size_t>(GetMaxLanguage()));
  EXPECT_EQ(l.table.entries[0].name, "EN");
  EXPECT_EQ(l.table.entries[1].name, "DE");
  EXPECT_EQ(l.table.entries[2].name, "IT");
  EXPECT_EQ(l.table.entries[3].name, "");
  EXPECT_EQ(Text(l.table.entries[0], "OK"), "Yes");
  EXPECT_EQ(Text(l.table.entries[2], "OK"), "Si (inc)");  // .inc beats .txt
  EXPECT_EQ(Text(l.table.entries[1], "OK"), "Ja");  // .inc beats .po
  EXPECT_FALSE(l.table.untranslated);

  std::string after;
  ASSERT_TRUE(fs->GetCurrentDir(after));
  EXPECT_EQ(after, before);

  // A loaded table is not loaded again.
  WriteFile(dir / "fr.inc", "OK \"Oui\"\n");
  EXPECT_EQ(LoadLanguages(*fs, l.table), 0);
  EXPECT_EQ(l.table.entries[3].name, "");

  // Released, the table is empty and ready to be prepared again.
  FreeLanguages(l.table);
  EXPECT_EQ(l.table.state, kLanguagesNotLoaded);
  EXPECT_TRUE(l.table.entries.empty());
  EXPECT_FALSE(l.table.prepared);
}

TEST(LanguageTexts, TxtBeatsPoAndEmptyOrMissingDirectories) {
  TempDir dir;
  WriteFile(dir / "fr.po", "msgid \"OK\"\nmsgstr \"Oui (po)\"\n");
  WriteFile(dir / "fr.txt", "OK \"Oui (txt)\"\n");
  auto fs = MakeHostFileSystem();
  Loaded l;
  Load(*fs, dir.path(), l);
  ASSERT_EQ(l.rc, 0);
  EXPECT_EQ(l.table.entries[0].name, "FR");
  EXPECT_EQ(Text(l.table.entries[0], "OK"), "Oui (txt)");
  EXPECT_FALSE(l.table.entries[0].utf8);

  TempDir empty;
  WriteFile(empty / "readme.txt", "not a language\n");
  Loaded none;
  Load(*fs, empty.path(), none);
  EXPECT_EQ(none.rc, 8317);
  EXPECT_EQ(none.table.state, kLanguagesNotLoaded);

  Loaded missing;
  Load(*fs, dir / "nowhere", missing);
  EXPECT_EQ(missing.rc, 8316);
  Loaded unset;
  Load(*fs, "", unset);
  EXPECT_EQ(unset.rc, 8316);
}

TEST(LanguageTexts, FailedFileEndsTheLoadWith8306) {
  TempDir dir;
  WriteFile(dir / "en.inc", "OK \"Yes\"\n");
  WriteFile(dir / "de.inc", "a b c d e f g h i j k\n");  // eleven tokens
  auto fs = MakeHostFileSystem();
  Loaded l;
  Load(*fs, dir.path(), l);
  EXPECT_EQ(l.rc, 8306);
  EXPECT_EQ(l.table.state, kLanguagesNotLoaded);
  EXPECT_EQ(l.table.entries[0].name, "EN");  // what was loaded stays until freed

  // A .po file with another coding fails the load with 8306 as well.
  TempDir po;
  WriteFile(po / "de.po", "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\"\n");
  Loaded p;
  Load(*fs, po.path(), p);
  EXPECT_EQ(p.rc, 8306);

  // A file that cannot be opened.
  TempDir locked;
  WriteFile(locked / "en.inc", "OK \"Yes\"\n");
  auto host = MakeHostFileSystem();
  FaultyFileSystem faulty(*host);
  faulty.rule = [](FileOp op, const std::string& path) {
    return op == FileOp::Open && path.find("en.inc") != std::string::npos;
  };
  Loaded f;
  Load(faulty, locked.path(), f);
  EXPECT_EQ(f.rc, 8306);
}

TEST(LanguageTexts, IncAndTxtLines) {
  TempDir dir;
  WriteFile(dir / "a.inc",
            "; comment\n"
            "\n"
            "   \t; indented comment\n"
            "#define OK \"Ja\"\n"
            "CANCEL \"Abbrechen\" ignored words\n"
            "UNTRANSLATED\n"
            "OK \"second OK loses\"\n"
            "QUOTE \"say \\\"hi\\\" \\\\ back\"\n"
            "SINGLE 'it''s'\n"
            ",,, ==\n"
            "LONG \"" + std::string(100, 'x') + "\"\n"
            + std::string(40, 'n') + " \"long name\"\n");
  LanguageEntry entry;
  bool untranslated = false;
  ASSERT_EQ(ReadOne(dir / "a.inc", entry, untranslated), 0);
  EXPECT_TRUE(untranslated);
  EXPECT_FALSE(entry.utf8);
  EXPECT_EQ(Text(entry, "OK"), "Ja");
  EXPECT_EQ(Text(entry, "CANCEL"), "Abbrechen");
  EXPECT_EQ(Text(entry, "UNTRANSLATED"), "UNTRANSLATED");
  EXPECT_EQ(Text(entry, "QUOTE"), "say \"hi\" \\ back");
  EXPECT_EQ(Text(entry, "SINGLE"), "it");
  EXPECT_EQ(Text(entry, "LONG"), std::string(79, 'x'));
  EXPECT_EQ(Text(entry, std::string(31, 'n')), "long name");
  EXPECT_EQ(Text(entry, "ok"), "<missing>");  // names are compared exactly
  ASSERT_EQ(entry.texts.size(), 8u);
  EXPECT_EQ(entry.texts[3].text, "second OK loses");

  LanguageEntry bad;
  WriteFile(dir / "b.inc", "OK \"Ja\"\n#define\n");
  EXPECT_EQ(ReadOne(dir / "b.inc", bad, untranslated), 8306);
  EXPECT_EQ(Text(bad, "OK"), "Ja");
  WriteFile(dir / "c.inc", "a b c d e f g h i j\n");  // ten tokens are allowed
  LanguageEntry ten;
  EXPECT_EQ(ReadOne(dir / "c.inc", ten, untranslated), 0);
  EXPECT_FALSE(untranslated);
  LanguageEntry none;
  EXPECT_EQ(ReadOne(dir / "missing.inc", none, untranslated), 8306);
}

TEST(LanguageTexts, CodingMarkersOnTheFirstLineOnly) {
  TempDir dir;
  const std::string bom = "\xEF\xBB\xBF";
  struct Case {
    std::string content;
    bool utf8;
    std::string firstName;  // the first text read
  } cases[] = {
      {";<UTF-8 coded text>\nOK \"Ja\"\n", true, "OK"},
      {bom + ";<UTF-8 coded text>\nOK \"Ja\"\n", true, "OK"},
      {bom + "FIRST \"line\"\nOK \"Ja\"\n", true, "FIRST"},
      {";<LATIN-1 coded text>\nOK \"Ja\"\n", false, "OK"},
      {"; something else\n;<UTF-8 coded text>\nOK \"Ja\"\n", false, "OK"},
      {"FIRST \"line\"\n;<UTF-8 coded text>\n", false, "FIRST"},
      {"FIRST \"line\"\n" + bom + "OK \"Ja\"\n", false, "FIRST"},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string path = dir / ("m" + std::to_string(n++) + ".txt");
    WriteFile(path, c.content);
    LanguageEntry entry;
    bool untranslated = false;
    ASSERT_EQ(ReadOne(path, entry, untranslated), 0) << path;
    EXPECT_EQ(entry.utf8, c.utf8) << c.content;
    ASSERT_FALSE(entry.texts.empty()) << c.content;
    EXPECT_EQ(entry.texts[0].name, c.firstName) << c.content;
  }
  // A BOM on a later line is part of the name there.
  LanguageEntry entry;
  bool untranslated = false;
  ASSERT_EQ(ReadOne(dir / "m6.txt", entry, untranslated), 0);
  EXPECT_EQ(entry.texts[1].name, bom + "OK");
}

TEST(LanguageTexts, PoEntriesHeaderAndCharset) {
  TempDir dir;
  const std::string bom = "\xEF\xBB\xBF";
  WriteFile(dir / "a.po",
            bom + "msgid \"\"\n"
            "msgstr \"Content-Type: text/plain; charset=UTF-8\"\n"
            "\n"
            "msgid \"OK\"\n"
            "msgstr \"Gr\xC3\xBC\xC3\x9F" "e\"\n"
            "msgid \"EMPTY\"\n"
            "msgstr \"\"\n"
            "msgid \"ESC\"\n"
            "msgstr \"a \\\"b\\\"\"\n"
            "  ; comment\n"
            "msgid\n"
            "\"continued string\"\n"
            "msgid \"OK\"\n"
            "msgstr \"later OK loses\"\n"
            "msgctxt \"context\"\n");
  LanguageEntry entry;
  bool untranslated = false;
  ASSERT_EQ(ReadOne(dir / "a.po", entry, untranslated), 0);
  EXPECT_TRUE(entry.utf8);
  EXPECT_TRUE(untranslated);
  EXPECT_EQ(Text(entry, "OK"), "Gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_EQ(Text(entry, "EMPTY"), "EMPTY");
  EXPECT_EQ(Text(entry, "ESC"), "a \"b\"");
  // The msgctxt line counts as a msgstr line of the last identifier.
  ASSERT_EQ(entry.texts.size(), 5u);
  EXPECT_EQ(entry.texts[4].text, "context");

  // A header that names another coding; a header without Content-Type is
  // passed over; an empty header msgstr is an untranslated empty name.
  WriteFile(dir / "latin.PO", "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\"\n");
  LanguageEntry latin;
  EXPECT_EQ(ReadOne(dir / "latin.PO", latin, untranslated), 8309);
  WriteFile(dir / "newline.po", "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n");
  LanguageEntry newline;
  EXPECT_EQ(ReadOne(dir / "newline.po", newline, untranslated), 8309);
  WriteFile(dir / "plain.po", "msgid \"\"\nmsgstr \"Project-Id-Version: 1\"\nmsgid \"A\"\nmsgstr \"B\"\n");
  LanguageEntry plain;
  EXPECT_EQ(ReadOne(dir / "plain.po", plain, untranslated), 0);
  EXPECT_FALSE(untranslated);
  EXPECT_EQ(Text(plain, "A"), "B");
  EXPECT_EQ(plain.texts.size(), 1u);
  WriteFile(dir / "header.po", "msgid \"\"\nmsgstr \"\"\n");
  LanguageEntry header;
  EXPECT_EQ(ReadOne(dir / "header.po", header, untranslated), 0);
  EXPECT_TRUE(untranslated);
  EXPECT_EQ(Text(header, ""), "");
}

// A catalogue as gettext writes it: msgfmt compiles a hand-written source and
// msgunfmt writes it back in gettext's own layout (comment lines, a header
// continued over several lines, one entry per msgid/msgstr pair).
TEST(LanguageTexts, PoFileWrittenByGettext) {
  if (!q32test::HaveTool("msgfmt") || !q32test::HaveTool("msgunfmt"))
    GTEST_SKIP() << "gettext tools not installed";
  TempDir dir;
  WriteFile(dir / "source.po",
            "msgid \"\"\n"
            "msgstr \"\"\n"
            "\"Project-Id-Version: softkeys 1.0\\n\"\n"
            "\"Language: de\\n\"\n"
            "\"MIME-Version: 1.0\\n\"\n"
            "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
            "\"Content-Transfer-Encoding: 8bit\\n\"\n"
            "\n"
            "msgid \"OK\"\n"
            "msgstr \"Ja\"\n"
            "\n"
            "msgid \"CANCEL\"\n"
            "msgstr \"Abbrechen \\\"jetzt\\\"\"\n"
            "\n"
            "msgid \"GREET\"\n"
            "msgstr \"Gr\xC3\xBC\xC3\x9F" "e\"\n");
  auto compiled = q32test::RunCommand("msgfmt -o de.mo source.po && msgunfmt -o de.po de.mo", dir.path());
  ASSERT_EQ(compiled.status, 0) << compiled.out;

  LanguageEntry entry;
  bool untranslated = false;
  ASSERT_EQ(ReadOne(dir / "de.po", entry, untranslated), 0);
  EXPECT_TRUE(entry.utf8);
  EXPECT_EQ(Text(entry, "OK"), "Ja");
  EXPECT_EQ(Text(entry, "CANCEL"), "Abbrechen \"jetzt\"");
  EXPECT_EQ(Text(entry, "GREET"), "Gr\xC3\xBC\xC3\x9F" "e");
  // gettext opens its header with an empty msgstr line, which counts as an
  // untranslated entry; the continued header lines are not joined.
  EXPECT_TRUE(untranslated);

  // A fresh catalogue from msginit holds only untranslated entries: each
  // text is its name.
  WriteFile(dir / "messages.pot",
            "msgid \"\"\n"
            "msgstr \"\"\n"
            "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
            "\n"
            "msgid \"START\"\n"
            "msgstr \"\"\n");
  auto init = q32test::RunCommand(
      "msginit --no-translator --locale=fr_FR.UTF-8 -i messages.pot -o fr.po", dir.path());
  ASSERT_EQ(init.status, 0) << init.out;
  LanguageEntry fresh;
  ASSERT_EQ(ReadOne(dir / "fr.po", fresh, untranslated), 0);
  EXPECT_TRUE(untranslated);
  EXPECT_EQ(Text(fresh, "START"), "START");

  // A header of one line is written on the msgstr line itself; converted to
  // another charset it is refused.  Only the exact UTF-8 declaration without
  // the customary trailing "\n" is accepted, so gettext's one-line header is
  // refused even for UTF-8.
  WriteFile(dir / "short.po",
            "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\nmsgid \"OK\"\nmsgstr \"Ja\"\n");
  auto converted = q32test::RunCommand("msgconv -t ISO-8859-1 -o it.po short.po && msgcat -o es.po short.po",
                                       dir.path());
  ASSERT_EQ(converted.status, 0) << converted.out;
  ASSERT_NE(q32test::ReadFile(dir / "it.po").find("\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1"),
            std::string::npos);
  LanguageEntry it;
  EXPECT_EQ(ReadOne(dir / "it.po", it, untranslated), 8309);
  LanguageEntry es;
  EXPECT_EQ(ReadOne(dir / "es.po", es, untranslated), 8309);
}

TEST(LanguageTexts, LanguageFileLine) {
  TempDir dir;
  WriteFile(dir / "extra.inc", "OK \"Extra\"\nMISSING\n");
  auto fs = MakeHostFileSystem();
  LanguageTable table;
  ASSERT_EQ(PrepareLanguages(table), 0);
  EXPECT_EQ(ReadLanguageFileLine(*fs, table, {"LANGUAGEFILE"}), 8315);
  EXPECT_EQ(ReadLanguageFileLine(*fs, table, {"LANGUAGEFILE", "a", "DE"}), 8315);
  ASSERT_EQ(ReadLanguageFileLine(*fs, table, {"LANGUAGEFILE", dir / "extra.inc"}), 0);
  EXPECT_TRUE(table.untranslated);
  // The texts sit in an unnamed entry: no language of the list.
  EXPECT_EQ(table.entries[0].name, "");
  EXPECT_EQ(Text(table.entries[0], "OK"), "Extra");
  EXPECT_EQ(ReadLanguageFileLine(*fs, table, {"LANGUAGEFILE", dir / "missing.inc"}), 8306);
  WriteFile(dir / "latin.po", "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\"\n");
  EXPECT_EQ(ReadLanguageFileLine(*fs, table, {"LANGUAGEFILE", dir / "latin.po"}), 8309);

  for (auto& entry : table.entries) entry.name = "XX";
  EXPECT_EQ(ReadLanguageFileLine(*fs, table, {"LANGUAGEFILE", dir / "extra.inc"}), 8307);
  LanguageTable unprepared;
  EXPECT_EQ(ReadLanguageFileLine(*fs, unprepared, {"LANGUAGEFILE", dir / "extra.inc"}), 8307);
}

TEST(LanguageTexts, CodingConversions) {
  std::string out;
  // UTF-8 "Grüße 5€ →" in Windows-1252: the arrow does not exist there.
  const std::string utf8 = "Gr\xC3\xBC\xC3\x9F" "e 5\xE2\x82\xAC \xE2\x86\x92";
  const std::string latin = "Gr\xFC\xDF" "e 5\x80 ?";
  EXPECT_EQ(Utf8ToLatin1(utf8, nullptr, 0), latin.size() + 1);
  EXPECT_EQ(Utf8ToLatin1(utf8, &out, 80), latin.size() + 1);
  EXPECT_EQ(out, latin);
  EXPECT_EQ(Latin1ToUtf8("Gr\xFC\xDF" "e 5\x80", &out, 80), 13u);
  EXPECT_EQ(out, "Gr\xC3\xBC\xC3\x9F" "e 5\xE2\x82\xAC");
  EXPECT_EQ(Latin1ToUtf8("", &out, 80), 1u);
  EXPECT_EQ(out, "");

  // Too small: nothing but whole characters that fit.
  EXPECT_EQ(Latin1ToUtf8("a\xFC", &out, 3), 0u);
  EXPECT_EQ(out, "a");
  EXPECT_EQ(Latin1ToUtf8("a\xFC", &out, 4), 4u);
  EXPECT_EQ(Utf8ToLatin1("abcdef", &out, 4), 0u);
  EXPECT_EQ(out, "abc");
  std::string longLatin(79, '\xE4');
  EXPECT_EQ(Latin1ToUtf8(longLatin, &out, 80), 0u);
  std::string expected;
  for (int i = 0; i < 39; ++i) expected += "\xC3\xA4";
  EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace q32
