#include "backup/WriteBehind.h"

#include "platform/CheckedIo.h"

WriteBehind::WriteBehind(const FileDescriptor& destination, ContentHash& hash,
                         AlignedBuffer (&buffers)[2])
    : destination_(destination), hash_(hash), buffers_(buffers) {
    hash_.Reset();
    writer_ = std::thread(&WriteBehind::WritePieces, this);
}

WriteBehind::~WriteBehind() {
    Stop();
}

void WriteBehind::Stop() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    if (writer_.joinable()) {
        writer_.join();
    }
}

char* WriteBehind::NextBuffer() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return given_ - written_ < 2 || failure_; });
    if (failure_) {
        std::rethrow_exception(failure_);
    }
    return buffers_[given_ % 2].Data();
}

void WriteBehind::Write(std::size_t size) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        sizes_[given_ % 2] = size;
        ++given_;
    }
    changed_.notify_all();
}

void WriteBehind::Finish() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return written_ == given_ || failure_; });
    }
    Stop();
    if (failure_) {
        std::rethrow_exception(failure_);
    }
}

void WriteBehind::WritePieces() {
    for (;;) {
        const char* piece = nullptr;
        std::size_t size = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return written_ < given_ || ending_; });
            // Ending with pieces left means the copy failed: they are not written.
            if (ending_) {
                return;
            }
            piece = buffers_[written_ % 2].Data();
            size = sizes_[written_ % 2];
        }
        try {
            // A short write is retried to the end; a disk that takes no more bytes is a failure.
            CheckedIo::WriteAll(destination_, piece, size);
            hash_.Update(piece, size);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(mutex_);
            failure_ = std::current_exception();
            changed_.notify_all();
            return;
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            ++written_;
        }
        changed_.notify_all();
    }
}
