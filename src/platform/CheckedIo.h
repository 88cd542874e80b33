#pragma once

#include <cstddef>
#include <cstdint>

#include "shared/FileDescriptor.h"

// The calls of FileDescriptor for the program's code, which reports failures as exceptions:
// each throws Failure where the descriptor's own call reports an error.
namespace CheckedIo {

// Reads up to `size` bytes; 0 at the end of the file.
std::int64_t Read(const FileDescriptor& fd, void* buffer, std::size_t size);
// Writes all `size` bytes.
void WriteAll(const FileDescriptor& fd, const void* buffer, std::size_t size);
// Closes now; throws when the close reports a delayed write error.
void Close(FileDescriptor& fd);
// Flushes the data to the disk, then closes. Closed either way.
void FlushAndClose(FileDescriptor& fd);

}  // namespace CheckedIo
