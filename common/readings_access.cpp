#include "common/readings_access.h"

#include <cstring>

namespace {

constexpr uint32_t Crc32Polynomial = 0xEDB88320u;  // reflected

struct Crc32Table {
    uint32_t entry[256];
};

constexpr Crc32Table MakeCrc32Table()
{
    Crc32Table table = {};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? Crc32Polynomial ^ (c >> 1) : c >> 1;
        table.entry[i] = c;
    }
    return table;
}

constexpr Crc32Table crc32Table = MakeCrc32Table();

constexpr size_t ChecksummedFrom = offsetof(ThermivoReadings, updateTick);
constexpr size_t SequenceEnd = offsetof(ThermivoReadings, sequence) + sizeof(uint32_t);

bool AllZero(const uint8_t* bytes, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

}  // namespace

uint32_t Crc32(const void* bytes, size_t length)
{
    const uint8_t* b = static_cast<const uint8_t*>(bytes);
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) crc = crc32Table.entry[(crc ^ b[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

uint32_t ReadingsChecksum(const ThermivoReadings& block)
{
    return Crc32(reinterpret_cast<const uint8_t*>(&block) + ChecksummedFrom, sizeof block - ChecksummedFrom);
}

void StartReadingsBlock(ThermivoReadings& block)
{
    memset(&block, 0, sizeof block);
    memcpy(block.signature, THERMIVO_READINGS_SIGNATURE, sizeof block.signature);
    block.version = THERMIVO_READINGS_VERSION;
    block.size = sizeof block;
    block.temperatureCount = THERMIVO_TEMPERATURES;
    block.fanCount = THERMIVO_FANS;
    block.railCount = THERMIVO_RAILS;
}

// The sequence is odd from before the first store of the contents to after
// the last. On x86 stores reach other processors in program order, so the
// fences only keep the compiler from moving stores across them; elsewhere
// they are the barriers.
void PublishReadings(ThermivoReadings* block, ThermivoReadings& record)
{
    record.checksum = ReadingsChecksum(record);
    const uint32_t sequence = __atomic_load_n(&block->sequence, __ATOMIC_RELAXED);
    __atomic_store_n(&block->sequence, sequence + 1, __ATOMIC_RELAXED);
    __atomic_thread_fence(__ATOMIC_RELEASE);
    uint8_t* to = reinterpret_cast<uint8_t*>(block);
    const uint8_t* from = reinterpret_cast<const uint8_t*>(&record);
    memcpy(to, from, offsetof(ThermivoReadings, sequence));
    memcpy(to + SequenceEnd, from + SequenceEnd, sizeof record - SequenceEnd);
    __atomic_store_n(&block->sequence, sequence + 2, __ATOMIC_RELEASE);
}

ReadingsLayout CheckReadingsLayout(const void* block, size_t available)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(block);
    constexpr size_t HeaderBytes = offsetof(ThermivoReadings, sequence);
    if (available < HeaderBytes) return ReadingsLayout::Truncated;
    if (AllZero(bytes, HeaderBytes)) return ReadingsLayout::Unset;
    if (memcmp(bytes, THERMIVO_READINGS_SIGNATURE, sizeof ThermivoReadings::signature) != 0)
        return ReadingsLayout::Foreign;
    uint32_t version = 0;
    uint32_t size = 0;
    memcpy(&version, bytes + offsetof(ThermivoReadings, version), sizeof version);
    memcpy(&size, bytes + offsetof(ThermivoReadings, size), sizeof size);
    if (version != THERMIVO_READINGS_VERSION) return ReadingsLayout::OtherVersion;
    if (size != sizeof(ThermivoReadings)) return ReadingsLayout::OtherSize;
    return available < size ? ReadingsLayout::Truncated : ReadingsLayout::Ours;
}

ReadingsCopy TryCopyReadings(const ThermivoReadings* block, ThermivoReadings* copy)
{
    const uint32_t before = __atomic_load_n(&block->sequence, __ATOMIC_ACQUIRE);
    if (before & 1) return ReadingsCopy::Busy;
    memcpy(copy, block, sizeof *copy);
    __atomic_thread_fence(__ATOMIC_ACQUIRE);
    if (__atomic_load_n(&block->sequence, __ATOMIC_RELAXED) != before) return ReadingsCopy::Busy;
    copy->sequence = before;
    return copy->checksum == ReadingsChecksum(*copy) ? ReadingsCopy::Copied : ReadingsCopy::Damaged;
}
