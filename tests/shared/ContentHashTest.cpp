#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "shared/ContentHash.h"

namespace {

// A pattern of `size` bytes that repeats only every 251 bytes, so no stripe looks like another.
std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + 3) % 251);
    }
    return bytes;
}

// The sizes around xxHash's short-input, 240-byte and stripe thresholds, with the hash that
// xxh128sum prints for Pattern(size).
struct HashCase {
    std::size_t size;
    const char* hex;
};

class ContentHashBytes : public ::testing::TestWithParam<HashCase> {};

TEST_P(ContentHashBytes, MatchesXxh128sumWholeAndInUnevenPieces) {
    const HashCase& c = GetParam();
    const std::string bytes = Pattern(c.size);
    ContentHash whole;
    whole.Update(bytes.data(), bytes.size());
    EXPECT_EQ(whole.Hex(), c.hex) << c.size;

    // As a copy feeds it: pieces of any size, after a Reset that forgets an earlier file.
    ContentHash pieces;
    pieces.Update("an earlier file", 15);
    pieces.Reset();
    for (std::size_t at = 0, piece = 1; at < bytes.size(); at += piece, piece = piece * 3 + 1) {
        pieces.Update(bytes.data() + at, std::min(piece, bytes.size() - at));
    }
    EXPECT_EQ(pieces.Hex(), c.hex) << c.size;
}

INSTANTIATE_TEST_SUITE_P(Sizes, ContentHashBytes,
                         ::testing::Values(HashCase{0, "99aa06d3014798d86001c324468d497f"},
                                           HashCase{1, "22bbb76b211a39ba13e608bc156defed"},
                                           HashCase{3, "ce31763cbf8245a5a9088dda485b481c"},
                                           HashCase{240, "9a8457fec9cfea5e2288b3c22f48dea4"},
                                           HashCase{241, "07870750a974395682b1de299f6e411e"},
                                           HashCase{1024, "f96a1bbdb2fef572f75e768c7cdd54b2"},
                                           HashCase{1048577, "06728ef2aa77cb820c44230b6a7cd783"}));

}  // namespace
