// The tests, benchmarks and fuzz targets name the in-memory file system by
// its old place.
#pragma once

#include "platform/MemoryFileSystem.h"

namespace q32test {
using q32::MemoryFile;
using q32::MemoryFileSystem;
}  // namespace q32test
