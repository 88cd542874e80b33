#include "config/BlockSize.h"

#include <gtest/gtest.h>

TEST(BlockSize, SevenPositions) {
    const int ko[] = {2, 5, 10, 20, 50, 100, 200};
    const char* texts[] = {"2 Ko - Minimum",  "5 Ko - Très Faible", "10 Ko - Faible",
                           "20 Ko - Normal",  "50 Ko - Elevé",      "100 Ko - Très élevé",
                           "200 Ko - Maximum"};
    for (int position = 0; position <= 6; ++position) {
        EXPECT_EQ(BlockSize::Bytes(position), ko[position] * 1024);
        EXPECT_EQ(BlockSize::Text(position), QString::fromUtf8(texts[position]));
    }
    EXPECT_EQ(BlockSize::kDefaultPosition, 3);
}

TEST(BlockSize, OutsideTheScale) {
    EXPECT_EQ(BlockSize::Bytes(-1), 0);
    EXPECT_EQ(BlockSize::Bytes(7), 0);
    EXPECT_TRUE(BlockSize::Text(-1).isEmpty());
    EXPECT_TRUE(BlockSize::Text(7).isEmpty());
    EXPECT_EQ(BlockSize::Clamp(9), 6);
    EXPECT_EQ(BlockSize::Clamp(-1), 0);
    EXPECT_EQ(BlockSize::Clamp(INT32_MIN), 0);
    EXPECT_EQ(BlockSize::Clamp(4), 4);
}
