// Quillon32Lsp: the language server on standard input and output.
#include <cstdio>
#include <string>
#include <vector>

#include "lsp/LanguageServer.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"

namespace q32 {
namespace {

int RunLanguageServer(int argc, char** argv) {
  const std::vector<std::string> words = CommandArguments(argc, argv);
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (words[i] == "--help" || words[i] == "-h") {
      std::printf("Usage: Quillon32Lsp [--stdio]\n\n"
                  "The language server of softkey projects: speaks the Language Server Protocol over\n"
                  "standard input and output.  An editor starts it; see the manual's chapter Editing projects.\n");
      return 0;
    }
  }
  BinaryStandardStreams();
  auto host = MakeHostFileSystem();
  return ServeLanguage(
      *host, ProgramDirectory(words.empty() ? nullptr : words[0].c_str()),
      [](char* buffer, std::size_t n) { return std::fread(buffer, 1, n, stdin); },
      [](std::string_view frame) {
        std::fwrite(frame.data(), 1, frame.size(), stdout);
        std::fflush(stdout);
      },
      [](std::string_view text) { std::fwrite(text.data(), 1, text.size(), stderr); });
}

}  // namespace
}  // namespace q32

int main(int argc, char** argv) { return q32::RunLanguageServer(argc, argv); }
