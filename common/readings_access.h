// Writing and reading the readings block (readings_block.h) by its rules,
// without a platform call: the monitor's update, a reader's checks and its
// copy. The block lives in memory that other processes map; the callers map
// it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/readings_block.h"

// CRC-32 of the bytes (the zip files' one).
uint32_t Crc32(const void* bytes, size_t length);
// The checksum the block's header holds for its contents.
uint32_t ReadingsChecksum(const ThermivoReadings& block);

// A fresh block: signature, version, size and counts, everything else 0.
void StartReadingsBlock(ThermivoReadings& block);

// Writes the record into the shared block: the sequence odd, the contents
// with their checksum, the sequence even again, each store ordered after
// the one before for every processor. The record's sequence is not used.
void PublishReadings(ThermivoReadings* block, ThermivoReadings& record);

// What a reader finds where the block is mapped, looking at its first
// available bytes only.
enum class ReadingsLayout {
    Ours,
    // Still all zero: a monitor is just setting it up.
    Unset,
    // Another signature: not a readings block at all.
    Foreign,
    OtherVersion,
    OtherSize,
    // Fewer bytes mapped than the header says, or than a header takes.
    Truncated,
};
ReadingsLayout CheckReadingsLayout(const void* block, size_t available);

// One attempt at a consistent copy of a block whose layout is Ours. Busy when
// the monitor was writing meanwhile: try again a moment later. Damaged when
// a copy that held still does not match its checksum: whoever wrote it did
// not follow the rules.
enum class ReadingsCopy { Copied, Busy, Damaged };
ReadingsCopy TryCopyReadings(const ThermivoReadings* block, ThermivoReadings* copy);
