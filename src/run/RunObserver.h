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
  // An #INCLUDE whose file does not exist (at its name): the run reads on
  // without it.
  virtual void IncludeMissing(const SourceSpan& /*at*/, std::string_view /*included*/) {}
  // A define name or value (of the define named) of a configuration file line
  // (no file: the -a list) cut to the characters kept.
  virtual void ValueCut(const SourceSpan& /*at*/, std::string_view /*text*/, std::size_t /*kept*/,
                        std::string_view /*define*/) {}
  // A row of a text softkey cut to the characters that fit.
  virtual void TextCut(std::string_view /*text*/, std::size_t /*kept*/) {}
  // An entity of a drawing that is read but not drawn.
  virtual void EntitySkipped(std::string_view /*drawing*/, std::uint32_t /*line*/, std::string_view /*entity*/) {}
  // A file the run created (every output: softkeys, tree, log, ...).
  virtual void FileCreated(std::string_view /*path*/) {}
  // A check's finding made where the run sees it, with its message number,
  // its place and what it names; no file means the softkey line being
  // converted.
  virtual void Found(Msg /*code*/, const SourceSpan& /*at*/, std::string_view /*detail*/) {}
};

}  // namespace q32
