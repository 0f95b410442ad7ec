#include "common/placement.h"

namespace {

int CentredAxis(int windowSize, int referenceStart, int referenceSize, int displaySize)
{
    int start = referenceStart + (referenceSize - windowSize) / 2;
    if (start < 0)
        start = 0;
    else if (start + windowSize > displaySize)
        start = displaySize - windowSize;
    return start;
}

}  // namespace

PlacementPoint CentredPosition(const PlacementRect& window, const PlacementRect& reference, int displayWidth,
                               int displayHeight)
{
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    return {CentredAxis(width, reference.left, reference.right - reference.left, displayWidth),
            CentredAxis(height, reference.top, reference.bottom - reference.top, displayHeight)};
}

PlacementPoint ClampSavedPosition(PlacementPoint saved, int screenWidth, int screenHeight)
{
    if (screenWidth < saved.x + 50) saved.x = screenWidth - 50;
    if (screenHeight < saved.y + 60) saved.y = screenHeight - 50;
    return saved;
}
