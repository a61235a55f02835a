// The language server as one call: it reads the editor's framed messages
// from a stream of bytes and answers through a writer until exit or the
// end of the stream.  The program (Main.cpp) gives it standard input and
// output; a fuzz target gives it bytes in memory.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "lsp/Framing.h"

namespace q32 {

class FileSystem;

using MessageWriter = std::function<void(std::string_view)>;

// The exit status: 0 after shutdown, else 1.  `log` takes what the server
// says of a stream it cannot follow.
int ServeLanguage(FileSystem& host, const std::string& programDir, FrameReader::ReadBytes read, MessageWriter write,
                  MessageWriter log);

}  // namespace q32
