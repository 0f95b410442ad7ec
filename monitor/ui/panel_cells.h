// What the panel's off-screen copy already shows, so that a paint draws only
// the glyph cells, the case indicator and the focus ring that changed, and
// hands the window only what it does not show yet. A cell is drawn the same
// way from the same strip wherever it stands, so one that is already there
// need not be drawn again. No platform calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "monitor/ui/panel_layout.h"
#include "monitor/ui/panel_text.h"

// The texts the paint draws: the three temperatures, the three fan speeds,
// the date, the time and the eight cells of the voltage grid.
constexpr int TemperatureField = 0;
constexpr int FanSpeedField = 3;
constexpr int DateField = 6;
constexpr int TimeField = 7;
constexpr int VoltageField = 8;  // + the channel's place among the shown ones
constexpr int PanelFieldCount = VoltageField + VoltageChannelCount;

struct DrawnText {
    int32_t strip;  // 0: nothing of it on the canvas
    int32_t y;
    size_t count;
    GlyphStep steps[MaxGlyphSteps];
};

// What was drawn since the window got the canvas last: the bounds of the
// changes of each text, of the case indicator and of the focus ring.
constexpr int CaseIndicatorPart = PanelFieldCount;
constexpr int FocusRingPart = PanelFieldCount + 1;
constexpr int PanelPartCount = PanelFieldCount + 2;

struct PanelCanvas {
    DrawnText text[PanelFieldCount];
    int32_t caseShown;  // -1: not drawn, else the open flag drawn
    int32_t ringTarget;  // -1: not drawn (or drawn over since)
    PanelRect ringBounds;
    // Whether the window's readout area shows the canvas but for what was
    // drawn since (unsent, per part; empty: right <= left).
    bool readoutSent;
    PanelRect unsent[PanelPartCount];
};

// The case indicator: the chassis picture, and right of it the word Close
// or Open.
constexpr int32_t CaseIndicatorX = 13, CaseIndicatorY = 331;
constexpr PanelRect CaseIndicatorBounds = {CaseIndicatorX, CaseIndicatorY, CaseIndicatorX + 77 + 50,
                                           CaseIndicatorY + 34};
// The pixels the focus ring around a target's rectangle may cover: its
// lines lie one pixel outside it, two pixels wide with round ends.
PanelRect FocusRingBounds(const PanelRect& target);

// The background went into the canvas: none of the readings is on it.
void ForgetReadings(PanelCanvas& canvas);
// The steps of a text (with its strip at row y) that the canvas does not
// already show; the others are left out. Notes the text as drawn.
size_t StepsToDraw(PanelCanvas& canvas, int field, int32_t strip, const GlyphStep* steps, size_t count,
                   int32_t y, GlyphStep* toDraw);
// Whether the case indicator (chassis and word) must be drawn for the flag.
bool CaseIndicatorToDraw(PanelCanvas& canvas, int32_t open);
// Whether the focus ring of the target, which covers bounds, must be drawn:
// it is not there yet, or something drawn since covered part of it.
bool FocusRingToDraw(PanelCanvas& canvas, int32_t target, const PanelRect& bounds);
// What a paint hands the window of the canvas, given the bounds of what it
// must paint and whether that takes in the whole readout area (the monitor
// invalidated it since the last paint): all of it; or, when it is the
// readout area alone and the window shows that as the canvas was when last
// handed over, the bounds of what each part drew since, none if nothing
// changed. Only a paint that takes in the whole readout area lets the window
// show it all as the canvas; a paint of the system's alone (uncovering part
// of the window) may have painted only some of it, and an erase draws the
// background, so after either the next paint hands over all again. Returns
// the number of rectangles.
size_t RectsToSend(PanelCanvas& canvas, const PanelRect& invalid, bool readoutInvalid, PanelRect* rects);
constexpr size_t MaxRectsToSend = PanelPartCount;
