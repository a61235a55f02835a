#include <string>
#include <vector>

#include "driver/RunDriver.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"

int main(int argc, char** argv) {
  const std::vector<std::string> words = q32::CommandArguments(argc, argv);
  auto fs = q32::MakeHostFileSystem();
  return q32::RunCommandLine(words, *fs);
}
