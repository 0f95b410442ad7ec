/* Resource ids of the monitor, shared by the resource script and the code. */
#pragma once

#define ICON_NORMAL 101
#define ICON_ALARM 102
#define ICON_OPTIONS 178

#define STRING_UNEXPECTED_ERROR 9999

/* Panel bitmaps. */
#define BITMAP_VALUE_GREEN 1300
#define BITMAP_VALUE_FAN 1301
#define BITMAP_VALUE_RED 1302
#define BITMAP_VOLT_WHITE 1305
#define BITMAP_VOLT_RED 1306
#define BITMAP_CLOCK 1307
#define BITMAP_LAMPS 1400
#define BITMAP_CASE_STATE 1403
#define BITMAP_CHASSIS 1404
#define BITMAP_BACKGROUND 1405
#define BITMAP_VOLT_LABELS 1408

#define WAVE_ALERT 1901
