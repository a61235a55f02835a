#include "lsp/Keywords.h"

#include <algorithm>
#include <string>

#include "output/MenuItems.h"
#include "project/ProjectKeywords.h"
#include "text/Ascii.h"

namespace q32 {
namespace {

using R = WordRole;

constexpr KeywordInfo kProjectWords[] = {
    {"#INCLUDE", R::Directive, "#INCLUDE file [dir]: reads the file in place of the line (one level; the default run needs dir)"},
    {"#IF", R::Directive, "#IF expr: the lines up to #ELSE or #ENDIF are active when the expression is not 0"},
    {"#IFDEF", R::Directive, "#IFDEF cond: the lines are active when the defines condition holds"},
    {"#IFNDEF", R::Directive, "#IFNDEF cond: as #IFDEF, with the first name of each group negated"},
    {"#IFEXIST", R::Directive, "#IFEXIST file: the lines are active when the file exists"},
    {"#ELSE", R::Directive, "#ELSE: the lines are active when the condition above did not hold"},
    {"#ENDIF", R::Directive, "#ENDIF: ends the conditional section"},
    {"#PRAGMA", R::Directive, "#PRAGMA: passed to the menu writers; writes nothing and may stand anywhere"},
    {"LANGUAGEPATH", R::Setting, "LANGUAGEPATH dir: the language directory of BMX image projects that name none themselves"},
    {"SKPATH", R::Setting, "SKPATH dir: where the softkey files lie on the control (default PLC:\\SOFTKEYS\\)"},
    {"MOPATH", R::Setting, "MOPATH dir: where the control finds translated texts for TX softkeys whose text begins with #M"},
    {"MODOMAIN", R::Setting, "MODOMAIN name: the text domain for MOPATH (default softkeys)"},
    {"PYPATH", R::Setting, "PYPATH dir: where the Python scripts of menu items lie on the control (default PLC:\\Python\\)"},
    {"DEFFILE", R::Setting, "DEFFILE file: the constants definition file from here on (default: the project's name with .def)"},
    {"TREEFILE", R::Setting, "TREEFILE file: the tree file from here on (default: the project's name with .sys)"},
    {"HELPFILE", R::Setting, "HELPFILE file: the help file of the whole menu tree on the control"},
    {"TXSSOURCE", R::Setting, "TXSSOURCE: logs every text softkey as checked, for tools that read the log"},
    {"SKMENU", R::Menu, "SKMENU name [attributes]: starts a menu; its items are its slots, in order"},
    {"ENDSKMENU", R::Menu, "ENDSKMENU: ends the menu"},
    {"ROWDEF", R::Menu, "ROWDEF a b: the menu's softkeys fill the slots a to b of a row; the rest go on further pages"},
    {"SKPREVDEF", R::Menu, "SKPREVDEF key: the key code that pages back (0x1A or decimal, at most 0xFFFF)"},
    {"SKNEXTDEF", R::Menu, "SKNEXTDEF key: the key code that pages forward (0x1B or decimal, at most 0xFFFF)"},
    {"PCX", R::Softkey, "PCX source name: a run-length encoded PCX picture, 77 x 48, converted into a raster softkey"},
    {"BPJ", R::Softkey, "BPJ source name: a BMX image project, converted into name.bmx"},
    {"BMP", R::Softkey, "BMP source name: a 1-bit Windows bitmap, 77 x 48, converted into a raster softkey"},
    {"DXF", R::Softkey, "DXF source name: a DXF drawing, converted into a vector softkey"},
    {"TXS", R::Softkey, "TXS source name: a text softkey source in small text (16 pixels, 3 rows of 9)"},
    {"TXM", R::Softkey, "TXM source name: a text softkey source in medium text (32 pixels, 2 rows of 4)"},
    {"TXB", R::Softkey, "TXB source name: a text softkey source in big text (48 pixels, 1 row of 2)"},
    {"TX", R::Softkey, "TX \"text\" name: the text itself; the control draws it"},
    {"PIC", R::Softkey, "PIC file name: an already generated softkey file, referred to as it is"},
    {"SK", R::Softkey, "SK file name: an already generated softkey file, referred to as it is"},
    {"SOFTKEY", R::Softkey, "SOFTKEY file name: an already generated softkey file, referred to as it is"},
    {"BLANK", R::Item, "BLANK [softkey]: the slot stays empty, or shows a softkey that does nothing"},
    {"NODE", R::Item, "NODE softkey menu: the slot opens the sub-menu"},
    {"BACK", R::Item, "BACK softkey: returns to the menu it came from"},
    {"END", R::Item, "END softkey: leaves the PLC softkey menus"},
    {"ACTION", R::Item, "ACTION softkey: a key for an action of the PLC program, held while pressed"},
    {"PULSE", R::Item, "PULSE softkey: a key that gives the PLC program a pulse when pressed"},
    {"CHECK", R::Item, "CHECK softkey: an on/off key; its state comes from STATUS:"},
    {"RADIO", R::Item, "RADIO softkey: one of a group of keys of which one is on"},
    {"GOTO", R::Item, "GOTO softkey menu: switches to the menu (with POPUPMENU: as a popup)"},
    {"STATE", R::Item, "STATE softkey: a key with several states (STATES:)"},
    {"VROOT", R::MenuAttribute, "VROOT: a root menu of the vertical softkey row"},
    {"HROOT", R::MenuAttribute, "HROOT: a root menu of the horizontal softkey row"},
    {"LROOT", R::MenuAttribute, "LROOT: a further kind of root menu (tree letter l)"},
    {"IHROOT", R::MenuAttribute, "IHROOT: a further kind of root menu (tree letter I)"},
    {"IVROOT", R::MenuAttribute, "IVROOT: a further kind of root menu (tree letter i)"},
    {"HRROOT", R::MenuAttribute, "HRROOT: a menu with a title bar (takes TITLE:)"},
    {"HRMENU", R::MenuAttribute, "HRMENU: a menu with a title bar, shown as a popup (takes TITLE:)"},
    {"MMODE", R::MenuAttribute, "MMODE: the menu's mode M for the control (default B)"},
    {"EMODE", R::MenuAttribute, "EMODE: the menu's mode E for the control (default B)"},
    {"OMODE", R::MenuAttribute, "OMODE: the menu's mode O for the control (default B)"},
    {"MENUNR:", R::MenuAttribute, "MENUNR:n: the menu's number, instead of the next automatic one"},
    {"TITLE:", R::MenuAttribute, "TITLE:text: the title of an HRROOT or HRMENU menu, after that attribute"},
    {"IDENT:", R::MenuAttribute, "IDENT:text: an identifier of the menu (or the slot) for the control"},
    {"ENABLE:", R::ItemParameter, "ENABLE:operand: the softkey can be pressed only while the PLC operand is set"},
    {"STATUS:", R::ItemParameter, "STATUS:operand: the operand shows the softkey's state (pressed look, on/off)"},
    {"HIDE:", R::ItemParameter, "HIDE:operand: the softkey is hidden while the operand is set"},
    {"OVERLAY:", R::ItemParameter, "OVERLAY:value: the overlay shown over the softkey picture (default -1, none)"},
    {"HELPFILE:", R::ItemParameter, "HELPFILE:file: the help file for this key (at most 79 characters)"},
    {"HELPID:", R::ItemParameter, "HELPID:n: the help topic number"},
    {"SMALLWINDOW:", R::ItemParameter, "SMALLWINDOW:arg: opens the PLC window small, with arg"},
    {"LARGEWINDOW:", R::ItemParameter, "LARGEWINDOW:arg: opens the PLC window large, with arg"},
    {"CLOSEPLCWINDOW", R::ItemParameter, "CLOSEPLCWINDOW: closes the PLC window"},
    {"POPUPMENU:", R::ItemParameter, "POPUPMENU:menu: shows the menu as a popup"},
    {"CLOSEPOPUPMENU", R::ItemParameter, "CLOSEPOPUPMENU: closes the popup menu when pressed"},
    {"RESTOREPLCWINDOW", R::ItemParameter, "RESTOREPLCWINDOW: restores the PLC window when pressed"},
    {"PYRESTART", R::ItemParameter, "PYRESTART: restarts the Python script when pressed"},
    {"FIRSTINGROUP", R::ItemParameter, "FIRSTINGROUP: the first key of a group (of RADIO keys)"},
    {"REPEATDELAY:", R::ItemParameter, "REPEATDELAY:ms: a held key repeats after this delay"},
    {"REPEATINTERVAL:", R::ItemParameter, "REPEATINTERVAL:ms: a held key repeats at this interval"},
    {"STATES:", R::ItemParameter, "STATES:n: the number of states of a STATE key (default 3)"},
    {"PYNAME:", R::ItemParameter, "PYNAME:name: the Python program started by the key (at most 13 characters)"},
    {"PYMEM:", R::ItemParameter, "PYMEM:n: the Python program's memory, 0 to 64 (128 where the machine variant allows)"},
    {"PYSCRIPT:", R::ItemParameter, "PYSCRIPT:file: the Python script file, beside the project"},
    {"PYPARA:", R::ItemParameter, "PYPARA:text: a parameter for the script"},
    {"PYPATH:", R::ItemParameter, "PYPATH:dir: the directory of this item's script on the control, instead of PYPATH"},
    {"DARK", R::ItemParameter, "DARK (after a BMP line's name): takes the 1-bit bitmap by its colour table, the darker colour's pixels set"},
};

constexpr KeywordInfo kBmxWords[] = {
    {"LANGUAGEPATH", R::BmxKeyword, "LANGUAGEPATH dir: the directory of the language files (only the first counts)"},
    {"LANGUAGEFILE", R::BmxKeyword, "LANGUAGEFILE file: reads one language file"},
    {"CODING", R::BmxKeyword, "CODING LATIN-1|UTF-8: the texts' coding"},
    {"SCALABLE", R::BmxKeyword, "SCALABLE: the control may scale the softkey"},
    {"BMX", R::BmxKeyword, "BMX [location]: starts the softkey; location is the directory of the .bmx file"},
    {"ENDBMX", R::BmxKeyword, "ENDBMX: ends the softkey"},
    {"PIXSIZE", R::BmxKeyword, "PIXSIZE w h: the softkey's (or the picture's) size in pixels"},
    {"PIXSIZE_640x480", R::BmxKeyword, "PIXSIZE_640x480 w h: the size for the 640 x 480 screen"},
    {"PIXSIZE_800x600", R::BmxKeyword, "PIXSIZE_800x600 w h: the size for the 800 x 600 screen"},
    {"PIXSIZE_1024x768", R::BmxKeyword, "PIXSIZE_1024x768 w h: the size for the 1024 x 768 screen"},
    {"BGRCOLOR", R::BmxKeyword, "BGRCOLOR $rrggbb: background colour"},
    {"TCOLOR", R::BmxKeyword, "TCOLOR $rrggbb: transparent colour"},
    {"ANIMINTERVAL", R::BmxKeyword, "ANIMINTERVAL ms: the interval of animated layers"},
    {"BMP", R::BmxKeyword, "BMP file: a bitmap layer (24 bits per pixel); the first is the background"},
    {"ENDBMP", R::BmxKeyword, "ENDBMP: ends a bitmap layer"},
    {"SVG", R::BmxKeyword, "SVG file: an SVG picture"},
    {"ENDSVG", R::BmxKeyword, "ENDSVG: ends an SVG picture"},
    {"TXT", R::BmxKeyword, "TXT text: a text (@NAME: the language files' text of that name)"},
    {"ENDTXT", R::BmxKeyword, "ENDTXT: ends a text"},
    {"TXTEMPLATE", R::BmxKeyword, "TXTEMPLATE name: a layout template of the text (default TXTMC5)"},
    {"PIXPOS", R::BmxKeyword, "PIXPOS x y: an explicit position in pixels"},
    {"RELPOS", R::BmxKeyword, "RELPOS x y: an explicit position relative to the softkey"},
    {"RELSIZE", R::BmxKeyword, "RELSIZE w h: the picture's size relative to the softkey"},
    {"ALIGN", R::BmxKeyword, "ALIGN LEFT|CENTER|RIGHT: horizontal alignment"},
    {"VERTALIGN", R::BmxKeyword, "VERTALIGN TOP|BASELINE|BOTTOM: vertical alignment"},
    {"FONTTEMPLATE", R::BmxKeyword, "FONTTEMPLATE SYSTEM_SMALL|SYSTEM_MEDIUM|SYSTEM_LARGE|SYSTEM_TINY: a system font"},
    {"PIXFONTSIZE", R::BmxKeyword, "PIXFONTSIZE n: an own font size in pixels"},
    {"RELFONTSIZE", R::BmxKeyword, "RELFONTSIZE n: an own font size relative to the softkey"},
    {"COLOR", R::BmxKeyword, "COLOR $rrggbb: text colour"},
    {"ATTR", R::BmxKeyword, "ATTR value: the attribute value for which the layer or text is shown"},
    {"LANG", R::BmxKeyword, "LANG value: the languages for which the layer or text is shown"},
    {"ANIM", R::BmxKeyword, "ANIM value: the animation steps in which the layer or text is shown"},
    {"OVERLAY", R::BmxKeyword, "OVERLAY value: the overlays for which the layer or text is shown"},
};

}  // namespace

FileKind KindOfFile(std::string_view path) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t slash = path.find_last_of("/\\");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return FileKind::Other;
  const std::string_view ext = path.substr(dot + 1);
  for (std::string_view e : {"spm", "spj", "spi"})
    if (EqualsIgnoringCase(ext, e)) return FileKind::Project;
  if (EqualsIgnoringCase(ext, "bpj")) return FileKind::Bmx;
  for (std::string_view e : {"txs", "txm", "txb"})
    if (EqualsIgnoringCase(ext, e)) return FileKind::TextSource;
  return FileKind::Other;
}

std::span<const KeywordInfo> KeywordInfos(FileKind kind) {
  if (kind == FileKind::Project) return kProjectWords;
  if (kind == FileKind::Bmx) return kBmxWords;
  return {};
}

const KeywordInfo* FindKeyword(FileKind kind, std::string_view word, bool first) {
  const std::size_t colon = word.find(':');
  const std::string_view head = colon == std::string_view::npos ? word : word.substr(0, colon + 1);
  for (const KeywordInfo& k : KeywordInfos(kind)) {
    const bool keyword = k.role != R::MenuAttribute && k.role != R::ItemParameter;
    if (kind == FileKind::Project && keyword != first) continue;
    if (EqualsIgnoringCase(head, k.word)) return &k;
  }
  return nullptr;
}

std::vector<std::string_view> ItemParameters(std::string_view itemKeyword) {
  std::vector<std::string_view> out;
  const ProjectKeyword* k = LookupProjectKeyword(itemKeyword);
  if (!k || k->kind != KeywordKind::MenuItem) return out;
  const MenuItemDef* def = FindMenuItemDef(k->item);
  if (!def) return out;
  // The checked run (a menu project) and the run that writes the tree take
  // slightly different lists: offer every parameter either takes.
  for (auto params : {def->checkerParams, def->treeParams})
    for (ItemParam p : params) {
      const std::string_view word = ItemParamInfo(p).keyword;
      if (std::find(out.begin(), out.end(), word) == out.end()) out.push_back(word);
    }
  return out;
}

}  // namespace q32
