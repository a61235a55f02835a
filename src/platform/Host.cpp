#include "platform/Host.h"

#include <cstdlib>
#include <string>

#include "platform/HostPath.h"
#include "platform/HostPrimitives.h"

namespace q32 {
namespace {

// The instant of SOURCE_DATE_EPOCH, when it is set to a whole number.
bool FixedEpoch(std::time_t& out) {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (!epoch) return false;
  char* end = nullptr;
  long long value = std::strtoll(epoch, &end, 10);
  if (end == epoch || *end != '\0') return false;
  out = static_cast<std::time_t>(value);
  return true;
}

}  // namespace

std::string ProgramDirectory(const char* argv0) {
  std::string path;
  if (!ExecutablePath(path) && argv0) path = ArgumentProgramPath(argv0);
  std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::tm CreationTime() {
  std::tm result{};
  std::time_t t;
  if (FixedEpoch(t)) UtcTime(t, result);
  else LocalTime(std::time(nullptr), result);
  return result;
}

std::vector<std::string> CommandArguments(int argc, char** argv) {
  std::vector<std::string> args;
  if (HostCommandArguments(args)) return args;
  for (int i = 0; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
  return args;
}

std::string InHostForm(std::string_view path) {
  std::string out(path);
  const char separator = HostPathSeparator();
  for (char& c : out)
    if (c == '/' || c == '\\') c = separator;
  return out;
}

}  // namespace q32
