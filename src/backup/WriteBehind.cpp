#include "backup/WriteBehind.h"

#include "platform/CheckedIo.h"

WriteBehind::WriteBehind(ContentHash& hash, AlignedBuffer (&buffers)[2])
    : hash_(hash), buffers_(buffers) {}

WriteBehind::~WriteBehind() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    if (writer_.joinable()) {
        writer_.join();
    }
}

WriteBehind::Copy::Copy(WriteBehind& writer, const FileDescriptor& destination) : writer_(writer) {
    writer_.Begin(destination);
}

WriteBehind::Copy::~Copy() {
    if (!finished_) {
        writer_.Abandon();
    }
}

void WriteBehind::Copy::Finish() {
    finished_ = true;
    writer_.Finish();
}

void WriteBehind::Begin(const FileDescriptor& destination) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        destination_ = &destination;
        given_ = 0;
        released_ = 0;
        written_ = 0;
        failure_ = nullptr;
        // The writer is idle between copies: the hash is the caller's until the first piece.
        hash_.Reset();
    }
    if (!writer_.joinable()) {
        writer_ = std::thread(&WriteBehind::WritePieces, this);
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
        if (given_ == 1) {
            return;
        }
        released_ = given_;
    }
    changed_.notify_all();
}

void WriteBehind::Finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (released_ < given_) {
        // The only piece: the writer has nothing of this copy.
        lock.unlock();
        try {
            CheckedIo::WriteAll(*destination_, buffers_[0].Data(), sizes_[0]);
        } catch (...) {
            lock.lock();
            destination_ = nullptr;
            throw;
        }
        hash_.Update(buffers_[0].Data(), sizes_[0]);
        lock.lock();
        released_ = written_ = given_;
    }
    changed_.wait(lock, [this] { return written_ == given_ || failure_; });
    destination_ = nullptr;
    if (failure_) {
        std::rethrow_exception(failure_);
    }
}

void WriteBehind::Abandon() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !writing_; });
    given_ = released_ = written_;
    destination_ = nullptr;
}

void WriteBehind::WritePieces() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return (written_ < released_ && !failure_) || ending_; });
        if (ending_) {
            return;
        }
        const char* piece = buffers_[written_ % 2].Data();
        const std::size_t size = sizes_[written_ % 2];
        const FileDescriptor& destination = *destination_;
        writing_ = true;
        lock.unlock();
        std::exception_ptr failure;
        try {
            // A short write is retried to the end; a disk that takes no more bytes is a failure.
            CheckedIo::WriteAll(destination, piece, size);
            hash_.Update(piece, size);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        writing_ = false;
        if (failure) {
            failure_ = failure;
        } else {
            ++written_;
        }
        changed_.notify_all();
    }
}
