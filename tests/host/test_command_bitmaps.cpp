// The pictures behind command bitmap handles: what a desktop host shows on its toolbar.
#include <gtest/gtest.h>

#include "host/CommandBitmaps.h"

namespace {

TEST(CommandBitmaps, EveryPictureItsHandleAndEveryHandleItsBytes) {
    const unsigned char a[] = {1, 2, 3}, b[] = {1, 2, 4};
    const std::int32_t ha = host::registerCommandBitmap(a, sizeof a);
    EXPECT_NE(ha, 0);
    const std::int32_t again = host::registerCommandBitmap(a, sizeof a);
    EXPECT_NE(again, ha);
    const std::int32_t hb = host::registerCommandBitmap(b, sizeof b);
    EXPECT_NE(hb, ha);
    EXPECT_EQ(host::commandBitmapBytes(ha), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_EQ(host::commandBitmapBytes(again), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_EQ(host::commandBitmapBytes(hb), (std::vector<unsigned char>{1, 2, 4}));
    EXPECT_TRUE(host::commandBitmapBytes(0).empty());
    EXPECT_TRUE(host::commandBitmapBytes(999999).empty());
}

}  // namespace
