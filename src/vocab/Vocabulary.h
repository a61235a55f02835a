// The words of the program, each written once: the keywords of softkey
// projects, the menu attributes, the item parameters, the BMX project
// keywords and the command-line options.  Each record says what the word is,
// what follows it, how an editor colours it and, in one line, what it does.
// The readers tie their own tables (handlers, codes) to these records with
// VocabularyWord(), which does not compile for a word the table lacks, and
// check with CountWords() that they take every word of their kinds; the
// usage text, the language server's completion and hover, the editor
// grammars' test and the manual's coverage test read the table itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace q32 {

enum class WordKind : std::uint8_t {
  Directive,      // project lines
  Setting,
  Menu,
  Softkey,
  Item,
  MenuAttribute,  // after SKMENU name
  ItemParameter,  // after a menu item's names
  SoftkeyOption,  // after a softkey line's name
  Bmx,            // BMX project lines
  Option,         // command line, written after "-" or "/"
};

// How an editor colours the word: a TextMate scope (ScopeName).
enum class Highlight : std::uint8_t {
  None,
  Directive,
  Setting,
  MenuKeyword,
  Softkey,
  Item,
  MenuModifier,
  Parameter,
  BmxBlock,
  BmxKeyword,
};

struct VocabularyEntry {
  WordKind kind;
  // As written (upper case but for options); a word whose value is joined
  // to it ends in ':' (ENABLE:M100).
  std::string_view word;
  // What follows the word: its further words, or its value.  A value joined
  // to an option's word (-t<model>) begins without a space.
  std::string_view form;
  Highlight highlight;
  std::string_view description;
  // Options only: the usage text's group (1 to 4), 0 for an option it omits.
  int usageGroup = 0;
};

namespace vocabulary_table {
using K = WordKind;
using H = Highlight;
inline constexpr VocabularyEntry kWords[] = {
    // Directive
    {K::Directive, "#INCLUDE", "file [dir]", H::Directive,
     "reads the file in place of the line (one level; the default run needs dir)"},
    {K::Directive, "#IF", "expr", H::Directive,
     "the lines up to #ELSE or #ENDIF are active when the expression is not 0"},
    {K::Directive, "#IFDEF", "cond", H::Directive, "the lines are active when the defines condition holds"},
    {K::Directive, "#IFNDEF", "cond", H::Directive, "as #IFDEF, with the first name of each group negated"},
    {K::Directive, "#IFEXIST", "file", H::Directive, "the lines are active when the file exists"},
    {K::Directive, "#ELSE", "", H::Directive, "the lines are active when the condition above did not hold"},
    {K::Directive, "#ENDIF", "", H::Directive, "ends the conditional section"},
    {K::Directive, "#PRAGMA", "", H::Directive, "passed to the menu writers; writes nothing and may stand anywhere"},
    // Setting
    {K::Setting, "LANGUAGEPATH", "dir", H::Setting,
     "the language directory of BMX image projects that name none themselves"},
    {K::Setting, "SKPATH", "dir", H::Setting, "where the softkey files lie on the control (default PLC:\\SOFTKEYS\\)"},
    {K::Setting, "MOPATH", "dir", H::Setting,
     "where the control finds translated texts for TX softkeys whose text begins with #M"},
    {K::Setting, "MODOMAIN", "name", H::Setting, "the text domain for MOPATH (default softkeys)"},
    {K::Setting, "PYPATH", "dir", H::Setting,
     "where the Python scripts of menu items lie on the control (default PLC:\\Python\\)"},
    {K::Setting, "DEFFILE", "file", H::Setting,
     "the constants definition file from here on (default: the project's name with .def)"},
    {K::Setting, "TREEFILE", "file", H::Setting, "the tree file from here on (default: the project's name with .sys)"},
    {K::Setting, "HELPFILE", "file", H::Setting, "the help file of the whole menu tree on the control"},
    {K::Setting, "TXSSOURCE", "", H::MenuKeyword, "logs every text softkey as checked, for tools that read the log"},
    // Menu
    {K::Menu, "SKMENU", "name [attributes]", H::MenuKeyword, "starts a menu; its items are its slots, in order"},
    {K::Menu, "ENDSKMENU", "", H::MenuKeyword, "ends the menu"},
    {K::Menu, "ROWDEF", "a b", H::MenuKeyword,
     "the menu's softkeys fill the slots a to b of a row; the rest go on further pages"},
    {K::Menu, "SKPREVDEF", "key", H::MenuKeyword, "the key code that pages back (0x1A or decimal, at most 0xFFFF)"},
    {K::Menu, "SKNEXTDEF", "key", H::MenuKeyword, "the key code that pages forward (0x1B or decimal, at most 0xFFFF)"},
    // Softkey
    {K::Softkey, "PCX", "source name", H::Softkey,
     "a run-length encoded PCX picture, 77 x 48, converted into a raster softkey"},
    {K::Softkey, "BPJ", "source name", H::Softkey, "a BMX image project, converted into name.bmx"},
    {K::Softkey, "BMP", "source name", H::Softkey, "a 1-bit Windows bitmap, 77 x 48, converted into a raster softkey"},
    {K::Softkey, "DXF", "source name", H::Softkey, "a DXF drawing, converted into a vector softkey"},
    {K::Softkey, "TXS", "source name", H::Softkey, "a text softkey source in small text (16 pixels, 3 rows of 9)"},
    {K::Softkey, "TXM", "source name", H::Softkey, "a text softkey source in medium text (32 pixels, 2 rows of 4)"},
    {K::Softkey, "TXB", "source name", H::Softkey, "a text softkey source in big text (48 pixels, 1 row of 2)"},
    {K::Softkey, "TX", "\"text\" name", H::Softkey, "the text itself; the control draws it"},
    {K::Softkey, "PIC", "file name", H::Softkey, "an already generated softkey file, referred to as it is"},
    {K::Softkey, "SK", "file name", H::Softkey, "an already generated softkey file, referred to as it is"},
    {K::Softkey, "SOFTKEY", "file name", H::Softkey, "an already generated softkey file, referred to as it is"},
    // Item
    {K::Item, "BLANK", "[softkey]", H::Item, "the slot stays empty, or shows a softkey that does nothing"},
    {K::Item, "NODE", "softkey menu", H::Item, "the slot opens the sub-menu"},
    {K::Item, "BACK", "softkey", H::Item, "returns to the menu it came from"},
    {K::Item, "END", "softkey", H::Item, "leaves the PLC softkey menus"},
    {K::Item, "ACTION", "softkey", H::Item, "a key for an action of the PLC program, held while pressed"},
    {K::Item, "PULSE", "softkey", H::Item, "a key that gives the PLC program a pulse when pressed"},
    {K::Item, "CHECK", "softkey", H::Item, "an on/off key; its state comes from STATUS:"},
    {K::Item, "RADIO", "softkey", H::Item, "one of a group of keys of which one is on"},
    {K::Item, "GOTO", "softkey menu", H::Item, "switches to the menu (with POPUPMENU: as a popup)"},
    {K::Item, "STATE", "softkey", H::Item, "a key with several states (STATES:)"},
    // MenuAttribute
    {K::MenuAttribute, "VROOT", "", H::MenuModifier, "a root menu of the vertical softkey row"},
    {K::MenuAttribute, "HROOT", "", H::MenuModifier, "a root menu of the horizontal softkey row"},
    {K::MenuAttribute, "LROOT", "", H::MenuModifier, "a further kind of root menu (tree letter l)"},
    {K::MenuAttribute, "IHROOT", "", H::MenuModifier, "a further kind of root menu (tree letter I)"},
    {K::MenuAttribute, "IVROOT", "", H::MenuModifier, "a further kind of root menu (tree letter i)"},
    {K::MenuAttribute, "HRROOT", "", H::MenuModifier, "a menu with a title bar (takes TITLE:)"},
    {K::MenuAttribute, "HRMENU", "", H::MenuModifier, "a menu with a title bar, shown as a popup (takes TITLE:)"},
    {K::MenuAttribute, "MMODE", "", H::MenuModifier, "the menu's mode M for the control (default B)"},
    {K::MenuAttribute, "EMODE", "", H::MenuModifier, "the menu's mode E for the control (default B)"},
    {K::MenuAttribute, "OMODE", "", H::MenuModifier, "the menu's mode O for the control (default B)"},
    {K::MenuAttribute, "MENUNR:", "n", H::Parameter, "the menu's number, instead of the next automatic one"},
    {K::MenuAttribute, "TITLE:", "text", H::Parameter, "the title of an HRROOT or HRMENU menu, after that attribute"},
    {K::MenuAttribute, "IDENT:", "text", H::Parameter, "an identifier of the menu (or the slot) for the control"},
    // ItemParameter
    {K::ItemParameter, "ENABLE:", "operand", H::Parameter,
     "the softkey can be pressed only while the PLC operand is set"},
    {K::ItemParameter, "STATUS:", "operand", H::Parameter,
     "the operand shows the softkey's state (pressed look, on/off)"},
    {K::ItemParameter, "HIDE:", "operand", H::Parameter, "the softkey is hidden while the operand is set"},
    {K::ItemParameter, "OVERLAY:", "value", H::Parameter,
     "the overlay shown over the softkey picture (default -1, none)"},
    {K::ItemParameter, "HELPFILE:", "file", H::Parameter, "the help file for this key (at most 79 characters)"},
    {K::ItemParameter, "HELPID:", "n", H::Parameter, "the help topic number"},
    {K::ItemParameter, "SMALLWINDOW:", "arg", H::Parameter, "opens the PLC window small, with arg"},
    {K::ItemParameter, "LARGEWINDOW:", "arg", H::Parameter, "opens the PLC window large, with arg"},
    {K::ItemParameter, "CLOSEPLCWINDOW", "", H::Parameter, "closes the PLC window"},
    {K::ItemParameter, "POPUPMENU:", "menu", H::Parameter, "shows the menu as a popup"},
    {K::ItemParameter, "CLOSEPOPUPMENU", "", H::Parameter, "closes the popup menu when pressed"},
    {K::ItemParameter, "RESTOREPLCWINDOW", "", H::Parameter, "restores the PLC window when pressed"},
    {K::ItemParameter, "PYRESTART", "", H::Parameter, "restarts the Python script when pressed"},
    {K::ItemParameter, "FIRSTINGROUP", "", H::Parameter, "the first key of a group (of RADIO keys)"},
    {K::ItemParameter, "REPEATDELAY:", "ms", H::Parameter, "a held key repeats after this delay"},
    {K::ItemParameter, "REPEATINTERVAL:", "ms", H::Parameter, "a held key repeats at this interval"},
    {K::ItemParameter, "STATES:", "n", H::Parameter, "the number of states of a STATE key (default 3)"},
    {K::ItemParameter, "PYNAME:", "name", H::Parameter,
     "the Python program started by the key (at most 13 characters)"},
    {K::ItemParameter, "PYMEM:", "n", H::Parameter,
     "the Python program's memory, 0 to 64 (128 where the machine variant allows)"},
    {K::ItemParameter, "PYSCRIPT:", "file", H::Parameter, "the Python script file, beside the project"},
    {K::ItemParameter, "PYPARA:", "text", H::Parameter, "a parameter for the script"},
    {K::ItemParameter, "PYPATH:", "dir", H::Parameter,
     "the directory of this item's script on the control, instead of PYPATH"},
    // Found first as the menu attribute by the editor, whose help says both.
    {K::ItemParameter, "IDENT:", "text", H::Parameter, "an identifier of the slot for the control"},
    // SoftkeyOption
    {K::SoftkeyOption, "DARK", "(after a BMP line's name)", H::Parameter,
     "takes the 1-bit bitmap by its colour table, the darker colour's pixels set"},
    // Bmx
    {K::Bmx, "LANGUAGEPATH", "dir", H::BmxBlock, "the directory of the language files (only the first counts)"},
    {K::Bmx, "LANGUAGEFILE", "file", H::BmxBlock, "reads one language file"},
    {K::Bmx, "CODING", "LATIN-1|UTF-8", H::BmxKeyword, "the texts' coding"},
    {K::Bmx, "SCALABLE", "", H::BmxKeyword, "the control may scale the softkey"},
    {K::Bmx, "BMX", "[location]", H::BmxBlock, "starts the softkey; location is the directory of the .bmx file"},
    {K::Bmx, "ENDBMX", "", H::BmxBlock, "ends the softkey"},
    {K::Bmx, "PIXSIZE", "w h", H::BmxKeyword, "the softkey's (or the picture's) size in pixels"},
    {K::Bmx, "PIXSIZE_640x480", "w h", H::BmxKeyword, "the size for the 640 x 480 screen"},
    {K::Bmx, "PIXSIZE_800x600", "w h", H::BmxKeyword, "the size for the 800 x 600 screen"},
    {K::Bmx, "PIXSIZE_1024x768", "w h", H::BmxKeyword, "the size for the 1024 x 768 screen"},
    {K::Bmx, "BGRCOLOR", "$rrggbb", H::BmxKeyword, "background colour"},
    {K::Bmx, "TCOLOR", "$rrggbb", H::BmxKeyword, "transparent colour"},
    {K::Bmx, "ANIMINTERVAL", "ms", H::BmxKeyword, "the interval of animated layers"},
    {K::Bmx, "BMP", "file", H::BmxBlock, "a bitmap layer (24 bits per pixel); the first is the background"},
    {K::Bmx, "ENDBMP", "", H::BmxBlock, "ends a bitmap layer"},
    {K::Bmx, "SVG", "file", H::BmxBlock, "an SVG picture"},
    {K::Bmx, "ENDSVG", "", H::BmxBlock, "ends an SVG picture"},
    {K::Bmx, "TXT", "text", H::BmxBlock, "a text (@NAME: the language files' text of that name)"},
    {K::Bmx, "ENDTXT", "", H::BmxBlock, "ends a text"},
    {K::Bmx, "TXTEMPLATE", "name", H::BmxKeyword, "a layout template of the text (default TXTMC5)"},
    {K::Bmx, "PIXPOS", "x y", H::BmxKeyword, "an explicit position in pixels"},
    {K::Bmx, "RELPOS", "x y", H::BmxKeyword, "an explicit position relative to the softkey"},
    {K::Bmx, "RELSIZE", "w h", H::BmxKeyword, "the picture's size relative to the softkey"},
    {K::Bmx, "ALIGN", "LEFT|CENTER|RIGHT", H::BmxKeyword, "horizontal alignment"},
    {K::Bmx, "VERTALIGN", "TOP|BASELINE|BOTTOM", H::BmxKeyword, "vertical alignment"},
    {K::Bmx, "FONTTEMPLATE", "SYSTEM_SMALL|SYSTEM_MEDIUM|SYSTEM_LARGE|SYSTEM_TINY", H::BmxKeyword, "a system font"},
    {K::Bmx, "PIXFONTSIZE", "n", H::BmxKeyword, "an own font size in pixels"},
    {K::Bmx, "RELFONTSIZE", "n", H::BmxKeyword, "an own font size relative to the softkey"},
    {K::Bmx, "COLOR", "$rrggbb", H::BmxKeyword, "text colour"},
    {K::Bmx, "ATTR", "value", H::BmxKeyword, "the attribute value for which the layer or text is shown"},
    {K::Bmx, "LANG", "value", H::BmxKeyword, "the languages for which the layer or text is shown"},
    {K::Bmx, "ANIM", "value", H::BmxKeyword, "the animation steps in which the layer or text is shown"},
    {K::Bmx, "OVERLAY", "value", H::BmxKeyword, "the overlays for which the layer or text is shown"},
    // Option: the usage text shows the options of group 1 to 4, each group in table order.
    {K::Option, "t", "<model>", H::None, "Control model (default: Orva710)", 1},
    {K::Option, "pj", "<file>", H::None,
     "PLC project information file for post processing,\nsymbol checking and conditional generation", 1},
    {K::Option, "r", "<cfg file>", H::None, "File with configuration defines", 1},
    {K::Option, "a", "<defines>", H::None, "List with additional defines", 1},
    {K::Option, "l", "<dir>", H::None, "Path of the .inc language files for BPJ conversion", 1},
    {K::Option, "dp", "<dir>", H::None, "Destination path", 1},
    {K::Option, "gensys", "", H::None, "Generation of system files", 2},
    {K::Option, "check", "", H::None, "Syntax check of SPJ file/file check", 2},
    {K::Option, "scan", "", H::None, "Scan for sources (Result in .log file)", 2},
    {K::Option, "gendef", "", H::None, "Only generation of soft-key constants definition", 2},
    {K::Option, "post", "", H::None, "Post processing of PLC symbols", 3},
    {K::Option, "menu", "", H::None, "Only generation of soft-key menu", 3},
    {K::Option, "nofilecheck", "", H::None, "Do not check existance of files", 3},
    {K::Option, "nogendef", "", H::None, "No generation of soft-key constants definition", 3},
    {K::Option, "nogensksys", "", H::None, "No generation of soft-key .sys list", 3},
    {K::Option, "ver", "", H::None, "Displays version information", 3},
    {K::Option, "W", "", H::None, "Checks for mistakes that pass silently (warnings W84xx)", 4},
    {K::Option, "Werror", "", H::None, "The same, reported as errors", 4},
    {K::Option, "diag:gcc", "", H::None, "Reports as file:line:column: error: text [E8270] on stderr", 4},
    {K::Option, "sarif:", "<file>", H::None, "Reports also as a SARIF log", 4},
    // Taken also as the next word, as compilers take it.
    {K::Option, "MF", " <file>", H::None, "Inputs and outputs of the run for make and ninja", 4},
    {K::Option, "genh", "", H::None, "Constants also as a C header (.h)"},
    {K::Option, "cfg", "<file>", H::None, "The same as -r"},
    {K::Option, "EMB", "<n>", H::None, "Run embedded in another program (written in upper case)"},
    {K::Option, "i", "<dir>", H::None, "Language directory of BMX projects (as LANGUAGEPATH)"},
    {K::Option, "o", "<dir>", H::None, "Directory of the tree file and the constants file"},
};
}  // namespace vocabulary_table

// The whole table, in the order the language server offers the words.
constexpr std::span<const VocabularyEntry> Vocabulary() { return vocabulary_table::kWords; }

// Reached only when a reader names a word the table lacks: the call is not a
// constant expression, so the reader's table does not compile.
void WordMissingFromVocabulary();

// The entry of a word of this kind, and its word, for a reader's table.
consteval const VocabularyEntry& VocabularyEntryOf(WordKind kind, std::string_view word) {
  for (const VocabularyEntry& e : Vocabulary())
    if (e.kind == kind && e.word == word) return e;
  WordMissingFromVocabulary();
  return Vocabulary()[0];
}
consteval std::string_view VocabularyWord(WordKind kind, std::string_view word) {
  return VocabularyEntryOf(kind, word).word;
}
// The same for a table that keeps C strings: the table's words are string
// literals, so each ends in a null.
consteval const char* VocabularyCString(WordKind kind, std::string_view word) {
  return VocabularyEntryOf(kind, word).word.data();
}

// How many different words of the kind the table holds.
constexpr std::size_t CountWords(WordKind kind) {
  std::size_t n = 0;
  for (const VocabularyEntry& e : Vocabulary())
    if (e.kind == kind) ++n;
  return n;
}

// The entry of a word of that kind as written, or null.
constexpr const VocabularyEntry* FindVocabularyEntry(WordKind kind, std::string_view word) {
  for (const VocabularyEntry& e : Vocabulary())
    if (e.kind == kind && e.word == word) return &e;
  return nullptr;
}

// The word with what follows it: "#INCLUDE file [dir]", "ENABLE:operand",
// "-t<model>".
std::string Synopsis(const VocabularyEntry& e);
// The synopsis and the description, as a line of help: "ENABLE:operand: ...".
std::string HelpLine(const VocabularyEntry& e);
// The TextMate scope of a colour class, without the language ("" for None).
std::string_view ScopeName(Highlight h);

}  // namespace q32
