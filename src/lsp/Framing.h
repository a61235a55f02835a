// The protocol's framing: each message is a header ("Content-Length: n",
// other header lines, an empty line) and a body of n bytes.  Read from any
// stream of bytes, so that the server's standard input and a fuzz target's
// input go through the same reader.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace q32 {

// The largest message the server takes: a project file the editor sends
// whole is far smaller; a length beyond it is a broken frame, not text to
// allocate room for.
constexpr std::size_t kMaxMessageBytes = 64u << 20;
constexpr std::size_t kMaxHeaderLine = 1024;

class FrameReader {
 public:
  // read(buffer, n) fills up to n bytes and returns how many; 0 at the end.
  // The reader asks for no more than the frame needs, so a read may wait
  // for all n.
  using ReadBytes = std::function<std::size_t(char*, std::size_t)>;
  explicit FrameReader(ReadBytes read) : read_(std::move(read)) {}

  enum class Frame { Message, End, Broken };
  // The next message's body; at a frame that cannot be read, why.
  Frame Next(std::string& body, std::string& why);

 private:
  int Get();

  ReadBytes read_;
};

// A body with its header, as it goes out.
std::string Framed(std::string_view body);
// The header of a body of so many bytes (the body follows it).
std::string FrameHeader(std::size_t bodyLength);

}  // namespace q32
