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

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    // A missing directory of regressions is no failure: there are none yet.
    if (!fs::is_directory(argv[i], ec) && fs::exists(argv[i], ec)) inputs.push_back(argv[i]);
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(argv[i], ec))
      if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    inputs.insert(inputs.end(), files.begin(), files.end());
  }
  int failures = 0;
  for (const fs::path& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    if (!in) std::fprintf(stderr, "cannot read %s\n", path.string().c_str()), ++failures;
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in) LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::fprintf(stderr, "%zu inputs replayed\n", inputs.size());
  return failures == 0 ? 0 : 1;
}
