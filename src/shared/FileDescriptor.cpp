#include "shared/FileDescriptor.h"

#include <unistd.h>
#include <cerrno>

#include "shared/DurableSteps.h"

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.Release();
    }
    return *this;
}

int FileDescriptor::Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

long FileDescriptor::Read(void* buffer, std::size_t size) const {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0 || errno != EINTR) {
            return static_cast<long>(n);
        }
    }
}

bool FileDescriptor::WriteAll(const void* buffer, std::size_t size) const {
    const char* bytes = static_cast<const char*>(buffer);
    while (size > 0) {
        const ssize_t n = ::write(fd_, bytes, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            // No progress on a non-empty write: a full medium that says so without an error.
            errno = ENOSPC;
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    DurableSteps::Done(DurableSteps::Kind::Write);
    return true;
}

bool FileDescriptor::Close() {
    const int fd = Release();
    // Linux releases the descriptor even when close fails, so it is never retried.
    return fd < 0 || ::close(fd) == 0;
}

bool FileDescriptor::FlushAndClose() {
    if (fd_ >= 0 && ::fdatasync(fd_) != 0) {
        const int error = errno;
        ::close(Release());
        errno = error;
        return false;
    }
    if (fd_ >= 0) {
        DurableSteps::Done(DurableSteps::Kind::Flush);
    }
    return Close();
}
