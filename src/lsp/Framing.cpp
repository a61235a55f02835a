#include "lsp/Framing.h"

#include <cstdlib>

#include "text/Ascii.h"

namespace q32 {

int FrameReader::Get() {
  char c;
  return read_(&c, 1) == 1 ? static_cast<unsigned char>(c) : -1;
}

FrameReader::Frame FrameReader::Next(std::string& body, std::string& why) {
  std::size_t length = 0;
  bool haveLength = false;
  std::string header;
  for (bool first = true;; first = false) {
    header.clear();
    int c;
    while ((c = Get()) != -1 && c != '\n')
      if (header.size() < kMaxHeaderLine) header += static_cast<char>(c);
    if (c == -1) {
      if (first && header.empty()) return Frame::End;
      why = "the input ends inside a message's header";
      return Frame::Broken;
    }
    if (!header.empty() && header.back() == '\r') header.pop_back();
    if (header.empty()) break;
    if (StartsWithIgnoringCase(header, "Content-Length:")) {
      const char* digits = header.c_str() + 15;
      while (*digits == ' ' || *digits == '\t') ++digits;
      char* end = nullptr;
      const unsigned long long value = std::strtoull(digits, &end, 10);
      haveLength = *digits >= '0' && *digits <= '9' && end && *end == '\0';
      if (!haveLength) {
        why = "the header line \"" + header + "\" gives no length";
        return Frame::Broken;
      }
      if (value > kMaxMessageBytes) {
        why = "a message of " + std::string(digits) + " bytes is more than the " + std::to_string(kMaxMessageBytes) +
              " taken";
        return Frame::Broken;
      }
      length = static_cast<std::size_t>(value);
    }
  }
  if (!haveLength) {
    why = "a message's header has no Content-Length";
    return Frame::Broken;
  }
  body.resize(length);
  for (std::size_t got = 0, n; got < length; got += n)
    if ((n = read_(body.data() + got, length - got)) == 0) {
      why = "the input ends inside a message of " + std::to_string(length) + " bytes";
      return Frame::Broken;
    }
  return Frame::Message;
}

std::string FrameHeader(std::size_t bodyLength) {
  return "Content-Length: " + std::to_string(bodyLength) + "\r\n\r\n";
}

std::string Framed(std::string_view body) {
  std::string frame = FrameHeader(body.size());
  frame.append(body);
  return frame;
}

}  // namespace q32
