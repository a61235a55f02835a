// An open file of the host, the same on every host: small files opened for
// reading are read whole at once and served from memory, so that a
// converter's seeks, size queries and reads cost no further system calls;
// larger ones and files being written go through stdio, the written ones
// with a buffer of their own.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "platform/FileSystem.h"

namespace q32 {

// Files up to this size are read whole when opened for reading.
constexpr std::int64_t kReadWholeLimit = 1 << 20;
// The write buffer is the block size stdio would choose itself, so a full
// device refuses a long output at the same write as it always did.
constexpr std::size_t kWriteBuffer = 4096;

// A file read whole: size bytes of contents.
std::unique_ptr<File> MakeMemoryFile(std::unique_ptr<char[]> contents, std::size_t size, bool text);
// A stdio stream opened for reading ("rb") or writing ("wb"); a written one
// gets its buffer of kWriteBuffer bytes here.
std::unique_ptr<File> MakeStreamFile(std::FILE* f, bool text, bool write);

}  // namespace q32
