#include <gtest/gtest.h>

#include "app/globals.h"

TEST(Generator, SequenceFromZeroWrapsTheProduct) {
    // Without the 32-bit wrap of the product the first value would be 45833.
    const uint32_t expected[] = {45832, 30883, 63814, 52862, 48106};
    uint32_t s = 0;
    for (uint32_t e : expected) {
        s = nextRandom(s);
        EXPECT_EQ(s, e);
    }
}
