// The language server as an editor's messages reach it: the input is the
// byte stream of its standard input (frames of headers and JSON bodies),
// served over the example project in memory, so that opening and changing
// a document runs the generator's checks.  Afterwards every frame the
// server wrote is a frame holding one JSON-RPC object, and the project's
// files are as they were: the server writes nothing.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "FuzzSupport.h"
#include "lsp/LanguageServer.h"
#include "platform/Host.h"

namespace {

// The example project under /work/proj, and the catalogue beside the
// program, copied for every input.
const q32test::MemoryFileSystem& TheTree() {
  static const q32test::MemoryFileSystem tree = [] {
    q32test::MemoryFileSystem files = q32fuzz::BaseFileSystem();
    files.AddFile(q32::ProgramDirectory(nullptr) + q32::kCatalogueName, q32fuzz::CatalogueBytes());
    const std::filesystem::path examples = std::string(QUILLON_SOURCE_DIR) + "/examples/mill";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(examples)) {
      const std::string relative = std::filesystem::relative(entry.path(), examples).string();
      if (entry.is_directory()) files.AddDirectory("/work/proj/" + relative);
      else files.AddFile("/work/proj/" + relative, q32fuzz::SourceFile("examples/mill/" + relative));
    }
    return files;
  }();
  return tree;
}

std::map<std::string, std::string> Contents(q32test::MemoryFileSystem& fs) {
  std::map<std::string, std::string> files;
  for (const std::string& name : fs.Names()) {
    const std::string* bytes = fs.FileBytes(name);
    files[name] = bytes ? *bytes : std::string("(directory)");
  }
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = q32fuzz::AsText(data, size);
  q32test::MemoryFileSystem memory = TheTree();
  const std::map<std::string, std::string> before = Contents(memory);
  std::string written;
  const int status = q32::ServeLanguage(
      memory, q32::ProgramDirectory(nullptr),
      [&input](char* buffer, std::size_t n) {
        n = std::min(n, input.size());
        std::memcpy(buffer, input.data(), n);
        input.remove_prefix(n);
        return n;
      },
      [&written](std::string_view frame) { written += frame; }, [](std::string_view) {});
  Q32_FUZZ_CHECK(status == 0 || status == 1);

  // What the server wrote reads back as frames of JSON-RPC objects.
  q32::FrameReader frames([&written](char* buffer, std::size_t n) {
    n = std::min(n, written.size());
    std::memcpy(buffer, written.data(), n);
    written.erase(0, n);
    return n;
  });
  std::string body, why;
  q32::FrameReader::Frame frame;
  while ((frame = frames.Next(body, why)) == q32::FrameReader::Frame::Message)
    Q32_FUZZ_CHECK(body.size() > 2 && body.front() == '{' && body.back() == '}' &&
                   body.find("\"jsonrpc\":\"2.0\"") != std::string::npos);
  Q32_FUZZ_CHECK(frame == q32::FrameReader::Frame::End);
  Q32_FUZZ_CHECK(Contents(memory) == before);
  return 0;
}
