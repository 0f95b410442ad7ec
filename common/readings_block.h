/* The readings block: the monitor's latest readings in a named shared
 * memory block, for any program to read without touching the chip. The
 * monitor creates and fills it only with SHAREREADINGS=1 in [Thermivo].
 *
 * This header is the block's whole layout and is valid C as well as C++, so
 * that another program can include it as it is. Every field has a fixed
 * width, little-endian, with no padding the compiler would add: each offset
 * is checked below. Temperatures are whole degrees Celsius, fan speeds RPM,
 * voltages millivolts, ages milliseconds.
 *
 * Reading it (README.md, "The readings block", says the same in words):
 *  1. Open the file mapping THERMIVO_READINGS_GLOBAL_NAME for reading and,
 *     where that fails, THERMIVO_READINGS_NAME (the 95/98 family, and NT
 *     without terminal services, know only the second). Map it whole.
 *  2. Check signature, version and size, and that the mapping holds size
 *     bytes. Another signature, version or size is not this layout.
 *  3. Copy: read sequence; if it is odd the monitor is writing, so try again
 *     a moment later; copy the block; read sequence again; if it changed,
 *     try again. On a multiprocessor machine the reads need their order:
 *     acquire the first read, and keep the second after the copy.
 *  4. The copy's checksum is the CRC-32 (the one of zip files) of the bytes
 *     from updateTick to the end; a copy made by step 3 always matches.
 *  5. running 0: the monitor has ended. GetTickCount() - updateTick (modulo
 *     2^32) is how long ago it wrote; it writes once a second.
 * Close the mapping after reading: while any program holds it open its name
 * stays taken, and a monitor started meanwhile publishes nothing until the
 * name is free again. */
#ifndef THERMIVO_READINGS_BLOCK_H
#define THERMIVO_READINGS_BLOCK_H

#include <stddef.h>
#include <stdint.h>

#define THERMIVO_READINGS_GLOBAL_NAME "Global\\ThermivoReadings"
#define THERMIVO_READINGS_NAME "ThermivoReadings"
/* The first eight bytes of the block, without a terminator. */
#define THERMIVO_READINGS_SIGNATURE "Thermivo"
#define THERMIVO_READINGS_VERSION 1u
/* An age of a reading never taken; min and max mean nothing then. */
#define THERMIVO_NEVER_READ 0xFFFFFFFFu

#define THERMIVO_TEMPERATURES 3
#define THERMIVO_FANS 3
#define THERMIVO_RAILS 8

/* alarmSources bits */
#define THERMIVO_ALARM_TEMPERATURE 0x1u
#define THERMIVO_ALARM_VOLTAGE 0x2u
#define THERMIVO_ALARM_CASE 0x4u
#define THERMIVO_ALARM_FAN_STALL 0x8u

/* Flags are 0 or 1. "Shown" is what the panel shows: a reading switched off
 * there still has its value. */

typedef struct ThermivoTemperature {
    char title[64];          /* the panel's column title, zero-terminated */
    int32_t celsius;
    int32_t panelValue;      /* as the panel shows it, in its unit */
    int32_t shown;
    int32_t alarm;           /* shown and at or above alarmCelsius */
    int32_t alarmCelsius;    /* the limit of the fan's mode */
    int32_t minCelsius;      /* since the monitor started */
    int32_t maxCelsius;
    uint32_t ageMs;          /* of the reading, at updateTick */
} ThermivoTemperature;

typedef struct ThermivoFan {  /* fan n belongs to temperature n */
    int32_t rpm;              /* 0: stopped, or too slow to count */
    int32_t shown;
    int32_t driven;           /* its mode and curve make it turn */
    int32_t watched;          /* FANSTALL watches it and it is shown */
    int32_t stalled;          /* watched, driven and 0 RPM for 3 s */
    int32_t minRpm;
    int32_t maxRpm;
    uint32_t ageMs;
} ThermivoFan;

typedef struct ThermivoRail {
    char label[8];            /* the panel's: "VCORE", "+12", ..., "AGP" */
    int32_t millivolts;       /* as the panel judged it last */
    int32_t shown;
    int32_t alarm;            /* out of tolerance with its warning on */
    int32_t baseMillivolts;
    int32_t tolerancePercent;
    int32_t minMillivolts;
    int32_t maxMillivolts;
    uint32_t ageMs;
} ThermivoRail;

typedef struct ThermivoReadings {
    char signature[8];        /* THERMIVO_READINGS_SIGNATURE */
    uint32_t version;         /* THERMIVO_READINGS_VERSION */
    uint32_t size;            /* sizeof(ThermivoReadings): 800 */
    uint32_t sequence;        /* odd while the monitor writes */
    uint32_t checksum;        /* CRC-32 of the bytes from updateTick on */
    uint32_t updateTick;      /* GetTickCount() when written */
    uint32_t updateCount;     /* 1 at the first update */
    /* local time of the update, as SYSTEMTIME */
    uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
    uint32_t running;         /* 1, and 0 once the monitor has ended */
    uint32_t fahrenheit;      /* the panel's unit: 0 Celsius, 1 Fahrenheit */
    uint32_t alarm;           /* any alarm: the tray icon blinks */
    uint32_t alarmSources;    /* THERMIVO_ALARM_* */
    int32_t caseWatched;      /* DEFCASE: the case is supervised */
    int32_t caseOpen;         /* watched and opened; 0 otherwise */
    uint32_t caseAgeMs;
    uint32_t temperatureCount, fanCount, railCount;  /* 3, 3, 8 */
    uint32_t reserved[2];     /* 0 */
    ThermivoTemperature temperature[THERMIVO_TEMPERATURES];
    ThermivoFan fan[THERMIVO_FANS];
    ThermivoRail rail[THERMIVO_RAILS];
} ThermivoReadings;

#ifdef __cplusplus
#define THERMIVO_LAYOUT_CHECK(condition) static_assert(condition, #condition)
#else
#define THERMIVO_LAYOUT_CHECK(condition) _Static_assert(condition, #condition)
#endif
THERMIVO_LAYOUT_CHECK(sizeof(ThermivoTemperature) == 96);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoTemperature, celsius) == 64);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoTemperature, ageMs) == 92);
THERMIVO_LAYOUT_CHECK(sizeof(ThermivoFan) == 32);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoFan, ageMs) == 28);
THERMIVO_LAYOUT_CHECK(sizeof(ThermivoRail) == 40);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoRail, millivolts) == 8);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoRail, ageMs) == 36);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoReadings, version) == 8);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoReadings, sequence) == 16);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoReadings, updateTick) == 24);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoReadings, year) == 32);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoReadings, milliseconds) == 46);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoReadings, running) == 48);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoReadings, caseWatched) == 64);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoReadings, temperatureCount) == 76);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoReadings, temperature) == 96);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoReadings, fan) == 384);
THERMIVO_LAYOUT_CHECK(offsetof(ThermivoReadings, rail) == 480);
THERMIVO_LAYOUT_CHECK(sizeof(ThermivoReadings) == 800);
#undef THERMIVO_LAYOUT_CHECK

#endif
