/* The readings block's header as a C program sees it; its layout checks
 * run here too. */
#include "common/readings_block.h"

size_t ReadingsBlockSizeInC(void);

size_t ReadingsBlockSizeInC(void)
{
    return sizeof(ThermivoReadings);
}
