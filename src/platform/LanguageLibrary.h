// Stand-in for the closed language-table library of the control's tools: the
// languages the control knows, by index and identifier.
#pragma once

#include <string>
#include <string_view>

namespace q32 {

// Number of languages.
int GetMaxLanguage();
// The index of an identifier, compared without regard to case; -1 when unknown.
int GetLanguageIndex(std::string_view id);
// The upper-case identifier of an index; empty for an index out of range.
std::string GetLanguageId(int index);

}  // namespace q32
