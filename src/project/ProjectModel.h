// The project as the checks, the preview and the language server see it
// after a run: its softkey lines with the files each wrote, and its menus
// with their items, each with its place in the project.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "diag/MessageCodes.h"
#include "output/TreeFile.h"
#include "run/RunObserver.h"
#include "run/SoftkeyContext.h"

namespace q32 {

// The full host path of the file a line stands in: one for all the lines
// read from that file (a project has thousands).
using LineFilePath = std::shared_ptr<const std::string>;

struct Output {
  std::string path;                   // full host path
  std::vector<std::string> pictures;  // picture files of the site
  std::vector<std::string> captions;
  std::vector<std::string> styles;  // a .bmx picture's own size, enlarged
  // For each picture, what the screen view shows it for: a language (lower
  // case; "" for the languages no other picture is drawn in, "-" for a part
  // of a picture, not shown there) and a state (-1: in every state).
  std::vector<std::string> languages;
  std::vector<int> states;
  std::vector<std::string> texts;
  std::string listing;     // the site's text file that lists the file's records
  bool utf8 = false;       // the texts are UTF-8 (a .bmx says so)
  std::string replacedBy;  // the softkey line that wrote the file again
  bool onDisk = false;     // not written by the run: a softkey a generated project names, found on disk
};

struct SoftkeyLine {
  LineFilePath file;
  int line = 0;
  SourceType source = SourceType::Pcx;
  std::vector<std::string> tokens;
  std::vector<WordPlace> places;  // of the tokens
  std::string name;        // upper case, cut as the generator cuts it
  std::string sourcePath;  // full host path of the source
  std::string targetPath;
  bool done = false;  // the line reached its converter (not refused before)
  Msg code = Msg::Ok;
  bool converted = false;
  std::vector<Output> outputs;
};

struct Item {
  LineFilePath file;
  int line = 0;
  MenuItemKind kind = MenuItemKind::Blank;
  std::vector<std::string> tokens;
  std::vector<WordPlace> places;
  Msg result = Msg::Ok;
  std::size_t softkeysBefore = 0;  // softkey lines read before it
};

struct Menu {
  LineFilePath file;
  int line = 0;
  WordPlace nameAt;
  std::string name;
  std::uint32_t number = 0;
  MenuAttributes attributes;
  std::vector<std::string> layout;  // row and paging lines
  // The slots of a row the softkeys fill (the last valid ROWDEF); none: all.
  bool hasRow = false;
  std::uint32_t rowFirst = 0, rowLast = 0;
  std::vector<Item> items;
  bool popup = false;
};

}  // namespace q32
