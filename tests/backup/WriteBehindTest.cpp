// One writer thread serves every copy of a run: each copy gets exactly its own bytes and hash,
// whatever the copies before it did (one piece, several, a failure, an abandon).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <vector>

#include "FileBytes.h"
#include "backup/WriteBehind.h"
#include "platform/Failure.h"

namespace {

constexpr std::size_t kBuffer = 4096;

// What happens to one copy of `size` bytes.
enum class End { Finished, WriteFails, Abandoned };

struct Step {
    std::size_t size;
    End end;
};

QByteArray Bytes(std::size_t size, char seed) {
    QByteArray bytes(static_cast<int>(size), Qt::Uninitialized);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[static_cast<int>(i)] = static_cast<char>(seed + i * 7 + i / 251);
    }
    return bytes;
}

TEST(WriteBehindTest, EachCopyHoldsItsOwnBytesAndHash) {
    const std::vector<Step> steps = {{100, End::Finished},
                                     {kBuffer, End::Finished},
                                     {10, End::WriteFails},
                                     {2 * kBuffer + 1, End::Finished},
                                     {5 * kBuffer, End::WriteFails},
                                     {kBuffer - 1, End::Finished},
                                     {4 * kBuffer, End::Abandoned},
                                     {3 * kBuffer + 5, End::Finished},
                                     {0, End::Finished}};
    QTemporaryDir folder;
    ContentHash hash;
    AlignedBuffer buffers[2] = {AlignedBuffer(kBuffer), AlignedBuffer(kBuffer)};
    WriteBehind writer(hash, buffers);
    char seed = 'a';
    for (const Step& step : steps) {
        const QString path = folder.filePath(QString(QLatin1Char(seed)));
        const QByteArray bytes = Bytes(step.size, seed++);
        // A descriptor open for reading only: every write to it fails (EBADF).
        const int flags = step.end == End::WriteFails ? O_RDONLY | O_CREAT : O_WRONLY | O_CREAT;
        const FileDescriptor destination(::open(QFile::encodeName(path).constData(), flags, 0600));
        ASSERT_TRUE(destination);
        bool failed = false;
        {
            WriteBehind::Copy copy(writer, destination);
            try {
                for (std::size_t at = 0; at < step.size; at += kBuffer) {
                    const std::size_t n = std::min(kBuffer, step.size - at);
                    std::memcpy(copy.NextBuffer(), bytes.constData() + at, n);
                    copy.Write(n);
                }
                if (step.end != End::Abandoned) {
                    copy.Finish();
                }
            } catch (const Failure&) {
                failed = true;
            }
        }
        EXPECT_EQ(failed, step.end == End::WriteFails) << "copy " << seed - 'a';
        if (step.end == End::Finished) {
            ContentHash expected;
            expected.Reset();
            expected.Update(bytes.constData(), step.size);
            EXPECT_EQ(readBytes(path), bytes) << "copy " << seed - 'a';
            EXPECT_EQ(hash.Hex(), expected.Hex()) << "copy " << seed - 'a';
        }
    }
}

}  // namespace
