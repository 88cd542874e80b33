#include "platform/UniqueFd.h"

#include <unistd.h>
#include <cerrno>

#include "platform/Failure.h"

UniqueFd::~UniqueFd() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.release();
    }
    return *this;
}

int UniqueFd::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

std::int64_t UniqueFd::read(void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0) {
            return n;
        }
        if (errno != EINTR) {
            KESTRIX_FAIL("read failed");
        }
    }
}

std::int64_t UniqueFd::writeSome(const void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::write(fd_, buffer, size);
        if (n >= 0) {
            return n;
        }
        if (errno != EINTR) {
            KESTRIX_FAIL("write failed");
        }
    }
}

void UniqueFd::writeAll(const void* buffer, std::size_t size) {
    const char* p = static_cast<const char*>(buffer);
    while (size > 0) {
        const std::int64_t n = writeSome(p, size);
        if (n == 0) {
            errno = ENOSPC;
            KESTRIX_FAIL("write failed");
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
}

void UniqueFd::close() {
    const int fd = release();
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) {
        KESTRIX_FAIL("close failed");
    }
}

void UniqueFd::flushAndClose() {
    if (fd_ >= 0 && ::fdatasync(fd_) != 0) {
        const int error = errno;
        ::close(release());
        errno = error;
        KESTRIX_FAIL("flush failed");
    }
    close();
}
