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

// One file of the given content and name, read.
struct One {
  int rc = -1;
  LanguageEntry entry;
  bool untranslated = false;
};
One ReadContent(const std::string& content, const std::string& name = "a.inc") {
  TempDir dir;
  WriteFile(dir / name, content);
  One o;
  o.rc = ReadOne(dir / name, o.entry, o.untranslated);
  return o;
}

TEST(LanguageTexts, DirectorySearchSlotsAndLibraryOrder) {
  TempDir dir;
  WriteFile(dir / "de.inc", "OK \"Ja\"\n");
  WriteFile(dir / "de.po", "msgid \"OK\"\nmsgstr \"Jawohl\"\n");
  WriteFile(dir / "EN.TXT", "OK \"Yes\"\n");
  WriteFile(dir / "fr.po", "msgid \"OK\"\nmsgstr \"Oui (po)\"\n");
  WriteFile(dir / "fr.txt", "OK \"Oui (txt)\"\n");
  WriteFile(dir / "xx.inc", "OK \"unknown language\"\n");
  WriteFile(dir / "es.pot", "msgid \"OK\"\nmsgstr \"Si\"\n");  // not a language file
  WriteFile(dir / "it", "OK \"no extension\"\n");
  WriteFile(dir / "it.txt", "OK \"Si (txt)\"\n");
  WriteFile(dir / "It.Inc", "OK \"Si (inc)\"\n");
  WriteFile(dir / "cs.inc/inner.txt", "a directory named like a file\n");
  auto fs = MakeHostFileSystem();
  std::string before, after;
  ASSERT_TRUE(fs->GetCurrentDir(before));

  Loaded l;
  Load(*fs, dir.path(), l);
  ASSERT_EQ(l.rc, 0);
  EXPECT_EQ(l.table.state, kLanguagesLoaded);
  EXPECT_FALSE(l.table.untranslated);
  // The library's order (EN before DE), not the directory's, in the first
  // free slots; .inc beats .txt beats .po.
  ASSERT_EQ(l.table.entries.size(), static_cast<std::size_t>(GetMaxLanguage()));
  const char* expected[][2] = {{"EN", "Yes"}, {"DE", "Ja"}, {"FR", "Oui (txt)"}, {"IT", "Si (inc)"}, {"", "<missing>"}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(l.table.entries[i].name, expected[i][0]) << i;
    EXPECT_EQ(Text(l.table.entries[i], "OK"), expected[i][1]) << i;
  }
  EXPECT_FALSE(l.table.entries[2].utf8);
  ASSERT_TRUE(fs->GetCurrentDir(after));
  EXPECT_EQ(after, before);

  // A loaded table is not loaded again.
  WriteFile(dir / "en.inc", "OK \"Other\"\n");
  EXPECT_EQ(LoadLanguages(*fs, l.table), 0);
  EXPECT_EQ(Text(l.table.entries[0], "OK"), "Yes");

  // Released, the table is empty and ready to be prepared again.
  FreeLanguages(l.table);
  EXPECT_EQ(l.table.state, kLanguagesNotLoaded);
  EXPECT_TRUE(l.table.entries.empty());
  EXPECT_FALSE(l.table.prepared);
}

TEST(LanguageTexts, DirectoriesThatFailToLoad) {
  TempDir empty, broken, locked;
  WriteFile(empty / "readme.txt", "not a language\n");
  WriteFile(broken / "en.inc", "OK \"Yes\"\n");
  WriteFile(broken / "de.inc", "a b c d e f g h i j k\n");  // eleven tokens
  WriteFile(locked / "en.inc", "OK \"Yes\"\n");
  auto host = MakeHostFileSystem();
  FaultyFileSystem faulty(*host);
  faulty.rule = [](FileOp op, const std::string& path) {
    return op == FileOp::Open && path.find("en.inc") != std::string::npos;
  };
  const struct {
    const char* what;
    FileSystem& fs;
    std::string dir;
    int rc;
  } cases[] = {
      {"no language file", *host, empty.path(), 8317}, {"no directory", *host, empty / "nowhere", 8316},
      {"no directory named", *host, "", 8316}, {"a file fails", *host, broken.path(), 8306},
      {"a file cannot be opened", faulty, locked.path(), 8306},
  };
  for (const auto& c : cases) {
    Loaded l;
    Load(c.fs, c.dir, l);
    EXPECT_EQ(l.rc, c.rc) << c.what;
    EXPECT_EQ(l.table.state, kLanguagesNotLoaded) << c.what;
    // What was loaded before a failing file stays until freed.
    if (c.rc == 8306 && &c.fs == host.get()) {
      EXPECT_EQ(l.table.entries[0].name, "EN");
    }
  }
}

TEST(LanguageTexts, IncAndTxtLines) {
  One a = ReadContent(
      "; comment\n\n   \t; indented comment\n#define OK \"Ja\"\nCANCEL \"Abbrechen\" ignored words\n"
      "UNTRANSLATED\nOK \"second OK loses\"\nQUOTE \"say \\\"hi\\\" \\\\ back\"\nSINGLE 'it''s'\n,,, ==\n"
      "LONG \"" + std::string(100, 'x') + "\"\n" + std::string(40, 'n') + " \"long name\"\n");
  ASSERT_EQ(a.rc, 0);
  EXPECT_TRUE(a.untranslated);
  EXPECT_FALSE(a.entry.utf8);
  // Names are compared exactly and cut to 31 characters, texts to 79.
  const std::pair<std::string, std::string> texts[] = {
      {"OK", "Ja"}, {"CANCEL", "Abbrechen"}, {"UNTRANSLATED", "UNTRANSLATED"}, {"QUOTE", "say \"hi\" \\ back"},
      {"SINGLE", "it"}, {"LONG", std::string(79, 'x')}, {std::string(31, 'n'), "long name"}, {"ok", "<missing>"}};
  for (const auto& [name, text] : texts) EXPECT_EQ(Text(a.entry, name), text) << name;
  ASSERT_EQ(a.entry.texts.size(), 8u);
  EXPECT_EQ(a.entry.texts[3].text, "second OK loses");

  One bad = ReadContent("OK \"Ja\"\n#define\n");
  EXPECT_EQ(bad.rc, 8306);
  EXPECT_EQ(Text(bad.entry, "OK"), "Ja");
  One ten = ReadContent("a b c d e f g h i j\n");  // ten tokens are allowed
  EXPECT_EQ(ten.rc, 0);
  EXPECT_FALSE(ten.untranslated);
}

TEST(LanguageTexts, CodingMarkersOnTheFirstLineOnly) {
  const std::string bom = "\xEF\xBB\xBF";
  struct Case {
    std::string content;
    bool utf8;
    std::string firstName;  // the first text read
  } const cases[] = {
      {";<UTF-8 coded text>\nOK \"Ja\"\n", true, "OK"}, {bom + ";<UTF-8 coded text>\nOK \"Ja\"\n", true, "OK"},
      {bom + "FIRST \"line\"\nOK \"Ja\"\n", true, "FIRST"}, {";<LATIN-1 coded text>\nOK \"Ja\"\n", false, "OK"},
      {"; something else\n;<UTF-8 coded text>\nOK \"Ja\"\n", false, "OK"},
      {"FIRST \"line\"\n;<UTF-8 coded text>\n", false, "FIRST"},
      {"FIRST \"line\"\n" + bom + "OK \"Ja\"\n", false, "FIRST"},
  };
  for (const Case& c : cases) {
    One o = ReadContent(c.content, "m.txt");
    ASSERT_EQ(o.rc, 0) << c.content;
    EXPECT_EQ(o.entry.utf8, c.utf8) << c.content;
    ASSERT_FALSE(o.entry.texts.empty()) << c.content;
    EXPECT_EQ(o.entry.texts[0].name, c.firstName) << c.content;
  }
  // A BOM on a later line is part of the name there.
  EXPECT_EQ(ReadContent(cases[6].content, "m.txt").entry.texts[1].name, bom + "OK");
}

TEST(LanguageTexts, PoEntriesHeaderAndCharset) {
  One a = ReadContent("\xEF\xBB\xBFmsgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\"\n\nmsgid \"OK\"\n"
                      "msgstr \"Gr\xC3\xBC\xC3\x9F" "e\"\nmsgid \"EMPTY\"\nmsgstr \"\"\nmsgid \"ESC\"\n"
                      "msgstr \"a \\\"b\\\"\"\n  ; comment\nmsgid\n\"continued string\"\nmsgid \"OK\"\n"
                      "msgstr \"later OK loses\"\nmsgctxt \"context\"\n",
                      "a.po");
  ASSERT_EQ(a.rc, 0);
  EXPECT_TRUE(a.entry.utf8);
  EXPECT_TRUE(a.untranslated);
  EXPECT_EQ(Text(a.entry, "OK"), "Gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_EQ(Text(a.entry, "EMPTY"), "EMPTY");
  EXPECT_EQ(Text(a.entry, "ESC"), "a \"b\"");
  // The msgctxt line counts as a msgstr line of the last identifier.
  ASSERT_EQ(a.entry.texts.size(), 5u);
  EXPECT_EQ(a.entry.texts[4].text, "context");

  // Another coding, also with the customary "\n", is refused; a header
  // without Content-Type is passed over; an empty header msgstr is an
  // untranslated empty name.
  const struct {
    std::string po;
    int rc;
    bool untranslated;
    std::string name, text;
  } headers[] = {
      {"msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\"\n", 8309, false, "", ""},
      {"msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n", 8309, false, "", ""},
      {"msgid \"\"\nmsgstr \"Project-Id-Version: 1\"\nmsgid \"A\"\nmsgstr \"B\"\n", 0, false, "A", "B"},
      {"msgid \"\"\nmsgstr \"\"\n", 0, true, "", ""},
  };
  for (const auto& h : headers) {
    One o = ReadContent(h.po, "h.PO");
    EXPECT_EQ(o.rc, h.rc) << h.po;
    if (h.rc != 0) continue;
    EXPECT_EQ(o.untranslated, h.untranslated) << h.po;
    ASSERT_EQ(o.entry.texts.size(), 1u) << h.po;
    EXPECT_EQ(Text(o.entry, h.name), h.text) << h.po;
  }
}

// Catalogues as gettext's tools write them (the end-to-end runs read one that
// msgfmt and msgunfmt wrote back).
TEST(LanguageTexts, PoFileWrittenByGettext) {
  if (!q32test::HaveTool("msginit") || !q32test::HaveTool("msgconv"))
    GTEST_SKIP() << "gettext tools not installed";
  TempDir dir;
  bool untranslated = false;
  // A fresh catalogue from msginit holds only untranslated entries: each
  // text is its name.
  WriteFile(dir / "messages.pot",
            "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\nmsgid \"START\"\n"
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
