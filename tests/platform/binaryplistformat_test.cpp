#include "platform/plist/binaryplistformat.h"

#include <gtest/gtest.h>

#include <array>

using namespace vidarium;

TEST(BinaryPlistFormat, BigEndianIntegersRoundTripAtEverySize)
{
    const quint64 value = 0x0102030405060708ull;
    for (int size = 1; size <= 8; ++size) {
        SCOPED_TRACE(size);
        std::array<char, 9> bytes {};
        bytes[size_t(size)] = char(0x7E); // the byte after must stay untouched
        char *end = bplist::putBigEndian(bytes.data(), value, size);
        EXPECT_EQ(end, bytes.data() + size);
        EXPECT_EQ(bytes[size_t(size)], char(0x7E));
        EXPECT_EQ(quint8(bytes[0]), quint8(9 - size)) << "most significant byte first";
        const quint64 mask = size == 8 ? ~quint64(0) : (quint64(1) << (8 * size)) - 1;
        EXPECT_EQ(bplist::readBigEndian(reinterpret_cast<const quint8 *>(bytes.data()), size),
            value & mask);
    }
}

TEST(BinaryPlistFormat, ChoosesTheSmallestIntegerWidth)
{
    struct Case
    {
        quint64 value;
        int bytes;
        quint8 code;
    };
    const Case cases[]
        = { { 0, 1, 0 }, { 0xFF, 1, 0 }, { 0x100, 2, 1 }, { 0xFFFF, 2, 1 }, { 0x10000, 4, 2 },
              { 0xFFFFFFFFull, 4, 2 }, { 0x100000000ull, 8, 3 }, { ~quint64(0), 8, 3 } };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(bplist::bytesNeeded(c.value), c.bytes);
        EXPECT_EQ(bplist::integerSizeCode(c.bytes), c.code);
    }
}
