#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/readings_access.h"

extern "C" size_t ReadingsBlockSizeInC();

namespace {

TEST(ReadingsBlock, TheHeaderIsTheSameLayoutInC)
{
    EXPECT_EQ(ReadingsBlockSizeInC(), sizeof(ThermivoReadings));
}

// The check value every CRC-32 implementation (zlib's crc32, Python's
// binascii.crc32) gives, as the documents promise a third party.
TEST(ReadingsBlock, ChecksumIsTheCrcOfZipFiles)
{
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32("", 0), 0u);
}

ThermivoReadings Published(uint32_t value)
{
    ThermivoReadings record;
    StartReadingsBlock(record);
    record.updateTick = value;
    record.updateCount = value;
    for (ThermivoTemperature& t : record.temperature) t.celsius = static_cast<int32_t>(value);
    for (ThermivoRail& r : record.rail) r.millivolts = static_cast<int32_t>(value);
    return record;
}

struct LayoutCase {
    const char* what;
    void (*change)(ThermivoReadings& block);
    size_t available;
    ReadingsLayout layout;
};

const LayoutCase LayoutCases[] = {
    {"ours", [](ThermivoReadings&) {}, sizeof(ThermivoReadings), ReadingsLayout::Ours},
    {"mapped whole pages", [](ThermivoReadings&) {}, 4096, ReadingsLayout::Ours},
    {"set up, not written", [](ThermivoReadings& b) { memset(&b, 0, sizeof b); }, 4096, ReadingsLayout::Unset},
    {"another signature", [](ThermivoReadings& b) { b.signature[0] = 't'; }, 4096, ReadingsLayout::Foreign},
    {"another version", [](ThermivoReadings& b) { b.version = 2; }, 4096, ReadingsLayout::OtherVersion},
    {"another size", [](ThermivoReadings& b) { b.size = 900; }, 4096, ReadingsLayout::OtherSize},
    {"cut short", [](ThermivoReadings&) {}, sizeof(ThermivoReadings) - 1, ReadingsLayout::Truncated},
    {"not even a header", [](ThermivoReadings&) {}, 15, ReadingsLayout::Truncated},
};

TEST(ReadingsBlock, AReaderTellsItsLayoutFromTheHeaderAlone)
{
    for (const LayoutCase& c : LayoutCases) {
        // Exactly the available bytes, so that the sanitizers see a read past them.
        std::vector<uint8_t> bytes(c.available, 0);
        ThermivoReadings block = Published(7);
        c.change(block);
        memcpy(bytes.data(), &block, std::min(sizeof block, c.available));
        EXPECT_EQ(CheckReadingsLayout(bytes.data(), c.available), c.layout) << c.what;
    }
}

TEST(ReadingsBlock, ACopyIsTakenOnlyWhileTheSequenceIsEvenAndMatchesItsChecksum)
{
    ThermivoReadings block = {};
    ThermivoReadings record = Published(41);
    PublishReadings(&block, record);
    PublishReadings(&block, record);
    EXPECT_EQ(block.sequence, 4u);
    EXPECT_EQ(CheckReadingsLayout(&block, sizeof block), ReadingsLayout::Ours);
    ThermivoReadings copy;
    ASSERT_EQ(TryCopyReadings(&block, &copy), ReadingsCopy::Copied);
    EXPECT_EQ(memcmp(&copy, &block, sizeof copy), 0);

    block.sequence = 5;  // the monitor is writing
    EXPECT_EQ(TryCopyReadings(&block, &copy), ReadingsCopy::Busy);
    block.sequence = 6;
    block.rail[7].millivolts ^= 1;  // written without the rules
    EXPECT_EQ(TryCopyReadings(&block, &copy), ReadingsCopy::Damaged);
}

}  // namespace
