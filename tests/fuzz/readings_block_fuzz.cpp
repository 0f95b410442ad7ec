// The readings block as the reader finds it: whatever another program wrote
// under its name. The reader looks only at the bytes mapped, and its lines
// stay whole: each reading on a line of its own, the CSV with its 20 columns.
#include <cstring>
#include <vector>

#include "common/readings_access.h"
#include "reader/readings_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly the bytes given, so that a read past them is a finding.
    const std::vector<uint8_t> mapped(data, data + size);
    if (CheckReadingsLayout(mapped.data(), mapped.size()) != ReadingsLayout::Ours) return 0;
    FUZZ_CHECK(size >= sizeof(ThermivoReadings));
    ThermivoReadings block;
    memcpy(&block, mapped.data(), sizeof block);
    ThermivoReadings copy;
    if (TryCopyReadings(&block, &copy) == ReadingsCopy::Copied) FUZZ_CHECK(copy.checksum == ReadingsChecksum(copy));
    // Whoever takes the name can write a block that passes every check: its
    // contents are formatted whatever they hold.
    block.sequence &= ~1u;
    block.checksum = ReadingsChecksum(block);
    FUZZ_CHECK(TryCopyReadings(&block, &copy) == ReadingsCopy::Copied);
    ExitCodeOfCopy(copy, 0);

    char text[ReadingsTextSize];
    const size_t length = FormatReadingLines(copy, text, sizeof text);
    FUZZ_CHECK(length > 0 && length == strlen(text));
    int lines = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\n') ++lines;
        if (text[i] == '\r' || text[i] == '\n') FUZZ_CHECK(text[i] == '\n' || text[i + 1] == '\n');
    }
    FUZZ_CHECK(lines >= 1 && lines <= 1 + THERMIVO_TEMPERATURES + THERMIVO_FANS + THERMIVO_RAILS + 1);

    const size_t csvLength = FormatReadingsCsv(copy, text, sizeof text);
    FUZZ_CHECK(csvLength > 2 && csvLength == strlen(text));
    int commas = 0;
    for (size_t i = 0; i < csvLength; ++i) commas += text[i] == ',';
    FUZZ_CHECK(commas == 19 && strchr(text, '\n') == text + csvLength - 1);
    return 0;
}
