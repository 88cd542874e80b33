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
// are given. One thread serves every copy of a run (a thread started and joined per copy costs
// more than a small file's copy); it starts with the first copy and is joined when the object
// goes. A copy of a single piece is written and hashed by the caller at Finish: handing it
// over would cost two wake-ups, which a busy machine may delay by milliseconds each.
class WriteBehind {
public:
    // `buffers` are the run's two buffers of the same size; `hash` is reset at the start of each
    // copy and takes its bytes as they are written.
    WriteBehind(ContentHash& hash, AlignedBuffer (&buffers)[2]);
    ~WriteBehind();
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // One copy into `destination`, which must stay open while the object lives. Going without
    // Finish (the copy failed), it drops the pieces not yet written and waits for the one being
    // written, so that nothing more reaches the destination and the writer is ready for the next
    // copy.
    class Copy {
    public:
        Copy(WriteBehind& writer, const FileDescriptor& destination);
        ~Copy();
        Copy(const Copy&) = delete;
        Copy& operator=(const Copy&) = delete;

        // The buffer to read the next piece into, once the writer is done with it. Throws the
        // writer's failure.
        char* NextBuffer() { return writer_.NextBuffer(); }
        std::size_t BufferSize() const { return writer_.buffers_[0].Size(); }
        // Hands the `size` bytes read into the last NextBuffer() to the writer.
        void Write(std::size_t size) { writer_.Write(size); }
        // Returns once every piece is written and hashed. Throws the writer's failure.
        void Finish();

    private:
        WriteBehind& writer_;
        bool finished_ = false;
    };

private:
    void Begin(const FileDescriptor& destination);
    char* NextBuffer();
    void Write(std::size_t size);
    void Finish();
    void Abandon();
    void WritePieces();

    ContentHash& hash_;
    AlignedBuffer (&buffers_)[2];
    std::size_t sizes_[2] = {0, 0};
    std::mutex mutex_;
    std::condition_variable changed_;
    // The copy being written, null between copies.
    const FileDescriptor* destination_ = nullptr;
    // Pieces given, released to the writer and written: piece k lies in buffers_[k % 2]. The
    // first piece is held until a second one comes. `writing_` while the writer holds piece
    // `written_` outside the lock.
    long given_ = 0;
    long released_ = 0;
    long written_ = 0;
    bool writing_ = false;
    bool ending_ = false;
    // The copy's failure: its later pieces are not written.
    std::exception_ptr failure_;
    std::thread writer_;
};
