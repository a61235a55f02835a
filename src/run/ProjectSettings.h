// What the settings lines of a project (paths, help file, text domain) set,
// as the reader acts on them.
#pragma once

#include <string>

#include "run/RunSettings.h"

namespace q32 {

constexpr const char* kDefaultPythonPath = "PLC:\\Python\\";

// What the settings lines of a project set, in force from their line on.
struct ProjectSettings {
  std::string helpFile;
  std::string moPath;
  std::string moDomain;
  std::string destPath = kDefaultDestPath;  // SKPATH: where the softkeys lie on the control
  std::string pythonPath = kDefaultPythonPath;
  std::string languagePath;  // LANGUAGEPATH, else -i
  bool txsSource = false;
};

}  // namespace q32
