#include "platform/CheckedIo.h"

#include <cerrno>

#include "platform/Failure.h"

namespace CheckedIo {

std::int64_t Read(const FileDescriptor& fd, void* buffer, std::size_t size) {
    const long n = fd.Read(buffer, size);
    if (n < 0) {
        KESTRIX_FAIL("read failed");
    }
    return n;
}

void WriteAll(const FileDescriptor& fd, const void* buffer, std::size_t size) {
    if (!fd.WriteAll(buffer, size)) {
        KESTRIX_FAIL("write failed");
    }
}

void Close(FileDescriptor& fd) {
    // An interrupted close has released the descriptor and lost nothing.
    if (!fd.Close() && errno != EINTR) {
        KESTRIX_FAIL("close failed");
    }
}

void FlushAndClose(FileDescriptor& fd) {
    if (!fd.FlushAndClose()) {
        KESTRIX_FAIL("flush failed");
    }
}

}  // namespace CheckedIo
