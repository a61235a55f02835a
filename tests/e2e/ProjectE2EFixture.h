// Expected texts of the end-to-end runs on softkey projects: constants and
// tree file headers, and the menu tree of the example mill.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>
#include <string>

#include "support/TestSupport.h"

namespace q32test {

inline const char* const kDate = "Thu Jan  1 00:00:00 1970";

inline std::string Def(const std::string& name, int number) {
  return "#define       " + name + std::string(40 - name.size(), ' ') + " K" +
         std::to_string(number) + "\n";
}

inline std::string DefHeader(const std::string& project, const std::string& c = ";") {
  return c + " Quillon Definition File\n\n" + c + " This file is maintained by Quillon32\n" + c +
         " Do not modify this file manually!\n\n" + c + " Creation date:   " + kDate + "\n\n" + c +
         " Softkey project: " + project + "\n";
}

inline std::string TreeHeader(const std::string& project) {
  return std::string("; Softkey Tree Definition File V2.1\n; Creation date:   ") + kDate +
         "\n; Softkey project: " + project + "\n";
}

// The example mill's tree file from a -menu run; the four-axis variant puts
// its rotary table node into the main menu's slot and adds its menu.
inline std::string MillTree(const std::string& slot = "# -1 -\n", const std::string& tail = "") {
  const std::string k = "PLC:\\SOFTKEYS\\mill\\";
  return TreeHeader("mill.spm") + "P " + k + "\nh PLC:\\help\\mill.chm\n"
         "H 0 M - main\nr 0 7\np 0x1A\nn 0x1B\n"
         "N 0 " + k + "rpm.sk M100 - 10 -1 - -1 0 -1 - - - 10 - -1 - -\n"
         "N 1 " + k + "coolant.sk M100 - 11 -1 - -1 0 -1 - - - 11 - -1 - -\n"
         "G 2 " + k + "tools.sk - - 1 1 tooltable 1 0 -1 - - - -1 - -1 - -\n"
         "C 7 Clamp M121 M120 0 -1 - -1 -1 - - - -1 - -1 - -\n" + slot +
         "E 3 " + k + "back.sk - - -1 - - 0\n"
         "M 10 E - \n"
         "S 10 " + k + "start.sk M133 - 0 -1 - -1 -1 - -1 -1 - - -1 start 1 start.py -\n"
         "T 12 " + k + "spindle.bmx - M132   -1 - -1 -1 - - 2 - -1 - -1 - -\n"
         "R 4 " + k + "cw.sk M133 M130 1 -1 - -1 -1 - - - -1 - -1 - -\n"
         "R 5 " + k + "ccw.sk M133 M131 0 -1 - -1 -1 - - - -1 - -1 - -\n"
         "U 6 " + k + "stop.sk M133 - 0 -1 - -1 -1 - 500 100 - - -1 - -1 - -\n"
         "U 8 " + k + "jog.sk M133 - 0 -1 - -1 -1 - -1 -1 - - -1 - -1 - -\n"
         "S 9 " + k + "spindle.sk - - 0 0 spindle -1 -1 - -1 -1 - - -1 - -1 - -\n"
         "U 11 " + k + "feed.sk - M134 0 -1 - -1 -1 - -1 -1 - - -1 - -1 - -\n"
         "# -1 -\n"
         "B 3 " + k + "back.sk - - 0 -1 - - -1 0 0\n"
         "M 11 B - \n"
         "T 1 " + k + "coolant.sk - M140   -1 - -1 -1 - - 3 - -1 - -1 - -\n"
         "S 2 " + k + "tools.sk - - 0 -1 - -1 -1 - -1 -1 - - -1 flush 4 flush.py 30\n"
         "B 3 " + k + "back.sk - - 0 -1 - - -1 0 0\n"
         "L 1 B \"Tool table\" tools\n"
         "S 2 " + k + "tools.sk - - 0 0 tooltable -1 -1 - -1 -1 - - -1 - -1 - -\n"
         "B 3 " + k + "back.sk - - 1 -1 - - -1 1 0\n" + tail;
}

// Runs in a temporary directory with a fixed creation date; the project
// lies in proj/, or the example mill in mill/.
class ProjectE2E : public ::testing::Test {
 protected:
  void SetUp() override { setenv("SOURCE_DATE_EPOCH", "0", 1); }
  void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }
  std::string In(const std::string& name) { return dir_ / ("proj/" + name); }
  void CopyMill() {
    std::filesystem::copy(SourcePath("examples/mill"), dir_ / "mill",
                          std::filesystem::copy_options::recursive);
  }
  RunResult Quillon(const std::vector<std::string>& args) { return RunQuillon(args, dir_.path()); }

  TempDir dir_;
};

}  // namespace q32test
