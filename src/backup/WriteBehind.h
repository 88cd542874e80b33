#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>

#include "shared/AlignedBuffer.h"
#include "shared/ContentHash.h"
#include "shared/FileDescriptor.h"

// Writes a copy and hashes it on a second thread while the caller reads the next piece into the
// other buffer: the kernel's two copies of each byte (into the buffer, out of it) and the hash
// then run on two cores instead of one after the other. Pieces are written in the order they
// are given. A thread per copy, started here and joined before the object is gone, so that no
// thread outlives the copy it writes.
class WriteBehind {
public:
    // `buffers` are the run's two buffers of the same size; `hash` is reset and takes the bytes
    // as they are written.
    WriteBehind(const FileDescriptor& destination, ContentHash& hash, AlignedBuffer (&buffers)[2]);
    // Stops the writer after its current piece when Finish was not called (the copy failed).
    ~WriteBehind();
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // The buffer to read the next piece into, once the writer is done with it. Throws the
    // writer's failure.
    char* NextBuffer();
    std::size_t BufferSize() const { return buffers_[0].Size(); }
    // Hands the `size` bytes read into the last NextBuffer() to the writer.
    void Write(std::size_t size);
    // Returns once every piece is written and hashed. Throws the writer's failure.
    void Finish();

private:
    void WritePieces();
    void Stop();

    const FileDescriptor& destination_;
    ContentHash& hash_;
    AlignedBuffer (&buffers_)[2];
    std::size_t sizes_[2] = {0, 0};
    std::mutex mutex_;
    std::condition_variable changed_;
    // Pieces handed over and pieces written: piece k lies in buffers_[k % 2].
    long given_ = 0;
    long written_ = 0;
    bool ending_ = false;
    std::exception_ptr failure_;
    std::thread writer_;
};
