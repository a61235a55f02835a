#include "lsp/Keywords.h"

#include <algorithm>
#include <string>

#include "output/MenuItems.h"
#include "project/ProjectKeywords.h"
#include "text/Ascii.h"

namespace q32 {
namespace {

bool OfFile(FileKind file, WordKind kind) {
  if (file == FileKind::Bmx) return kind == WordKind::Bmx;
  return file == FileKind::Project && kind != WordKind::Bmx && kind != WordKind::Option;
}

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

bool BeginsLine(const VocabularyEntry& e) {
  return e.kind != WordKind::MenuAttribute && e.kind != WordKind::ItemParameter && e.kind != WordKind::SoftkeyOption;
}

std::vector<const VocabularyEntry*> WordsOf(FileKind kind) {
  std::vector<const VocabularyEntry*> words;
  for (const VocabularyEntry& e : Vocabulary())
    if (OfFile(kind, e.kind)) words.push_back(&e);
  return words;
}

const VocabularyEntry* FindKeyword(FileKind kind, std::string_view word, bool first) {
  const std::size_t colon = word.find(':');
  const std::string_view head = colon == std::string_view::npos ? word : word.substr(0, colon + 1);
  for (const VocabularyEntry& e : Vocabulary()) {
    if (!OfFile(kind, e.kind)) continue;
    if (kind == FileKind::Project && BeginsLine(e) != first) continue;
    if (EqualsIgnoringCase(head, e.word)) return &e;
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
