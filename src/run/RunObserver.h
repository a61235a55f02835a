// What a run lets pass in silence, told to whoever watches it: the checks of
// -W and of the preview.  Without them nobody watches (RunContext::observer
// is null) and the run's outputs and messages stay what they always were.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "diag/Diagnostic.h"
#include "diag/MessageCodes.h"

namespace q32 {

struct MenuAttributes;
struct ProjectKeyword;

class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // A menu, row, paging, softkey or item line the reader is about to act on,
  // with its keyword (project/ProjectKeywords.h), tokens and where each
  // token stands.
  virtual void LineRead(std::string_view /*file*/, int /*line*/, const ProjectKeyword& /*keyword*/,
                        const std::vector<std::string>& /*tokens*/, const std::vector<WordPlace>& /*places*/) {}
  // The number and attributes the menu of the last SKMENU line received.
  virtual void MenuNumbered(std::uint32_t /*number*/, const MenuAttributes& /*menu*/) {}
  // The outcome of the last softkey line: its output path, the converter's
  // code and whether the softkey was converted.
  virtual void SoftkeyDone(std::string_view /*targetPath*/, Msg /*code*/, bool /*converted*/) {}
  // The outcome of the last menu item line (Msg::Ok: accepted).
  virtual void ItemDone(Msg /*code*/) {}
  // A file the run created (every output: softkeys, tree, log, ...), as
  // the run named it and by its full path (the file system's FullPath; empty
  // when it has none).
  virtual void FileCreated(std::string_view /*path*/, std::string_view /*full*/) {}
  // A finding of the checks, made where the run sees it: its message number,
  // its place and what it names.  A place without a file is the softkey
  // line whose source is being converted (the finding of a converter, which
  // a later run may take again for another line), or, before the project is
  // read, the command line.
  virtual void Found(const Diagnostic& /*finding*/) {}
};

}  // namespace q32
