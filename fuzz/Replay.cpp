// Runs fuzz targets without libFuzzer: every file named on the command line
// (or found in a directory named there) goes through the target once.  The
// test build runs each target this way over its seed corpus and over the
// inputs of past findings in fuzz/regressions/, so a finding that comes back
// fails CTest on any compiler, sanitizers or not.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

int RunOne(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
    return 1;
  }
  std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  int failures = 0, inputs = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path given = argv[i];
    std::error_code ec;
    if (!std::filesystem::is_directory(given, ec)) {
      // A missing directory of regressions is no failure: there are none yet.
      if (!std::filesystem::exists(given, ec)) continue;
      failures += RunOne(given);
      ++inputs;
      continue;
    }
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(given, ec))
      if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      failures += RunOne(file);
      ++inputs;
    }
  }
  std::fprintf(stderr, "%d inputs replayed\n", inputs);
  return failures == 0 ? 0 : 1;
}
