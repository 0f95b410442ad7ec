// Window placement arithmetic shared by the monitor and the installer; no
// platform calls, so it is unit-tested natively.
#pragma once

struct PlacementRect {
    int left, top, right, bottom;
};

struct PlacementPoint {
    int x, y;
};

// The top-left corner that centres a window of the given rectangle on the
// reference rectangle, kept inside a display of the given size: pushed right
// to 0 when it would start left of the display, else pulled back when it
// would end beyond it (the same for y).
PlacementPoint CentredPosition(const PlacementRect& window, const PlacementRect& reference, int displayWidth,
                               int displayHeight);

// A saved window position moved back onto the screen: x at most 50 pixels
// short of the right edge, y at most 60 short of the bottom (then placed 50
// from it). Negative coordinates stay as they are.
PlacementPoint ClampSavedPosition(PlacementPoint saved, int screenWidth, int screenHeight);
