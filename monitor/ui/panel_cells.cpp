#include "monitor/ui/panel_cells.h"

namespace {

constexpr PanelRect Nothing = {0, 0, 0, 0};

bool IsEmpty(const PanelRect& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

bool Intersect(const PanelRect& a, const PanelRect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool SameStep(const GlyphStep& a, const GlyphStep& b)
{
    return a.kind == b.kind && a.x == b.x && a.width == b.width && a.height == b.height &&
           (a.kind == GlyphStep::Black || a.sourceX == b.sourceX);
}

// A part drew at r: the window does not show it yet, and a focus ring it
// touches is covered.
void NoteDrawn(PanelCanvas& canvas, int part, const PanelRect& r)
{
    PanelRect& unsent = canvas.unsent[part];
    if (IsEmpty(unsent)) {
        unsent = r;
    } else {
        if (r.left < unsent.left) unsent.left = r.left;
        if (r.top < unsent.top) unsent.top = r.top;
        if (r.right > unsent.right) unsent.right = r.right;
        if (r.bottom > unsent.bottom) unsent.bottom = r.bottom;
    }
    if (canvas.ringTarget >= 0 && Intersect(r, canvas.ringBounds)) canvas.ringTarget = -1;
}

void ForgetUnsent(PanelCanvas& canvas)
{
    for (PanelRect& r : canvas.unsent) r = Nothing;
}

}  // namespace

PanelRect FocusRingBounds(const PanelRect& target)
{
    return {target.left - 4, target.top - 4, target.right + 4, target.bottom + 4};
}

void ForgetReadings(PanelCanvas& canvas)
{
    for (DrawnText& text : canvas.text) text.strip = 0;
    canvas.caseShown = -1;
    canvas.ringTarget = -1;
    canvas.readoutSent = false;
    ForgetUnsent(canvas);
}

size_t StepsToDraw(PanelCanvas& canvas, int field, int32_t strip, const GlyphStep* steps, size_t count,
                   int32_t y, GlyphStep* toDraw)
{
    DrawnText& drawn = canvas.text[field];
    const bool sameStrip = drawn.strip == strip && drawn.y == y;
    size_t changed = 0;
    for (size_t i = 0; i < count; ++i) {
        if (sameStrip && i < drawn.count && SameStep(steps[i], drawn.steps[i])) continue;
        toDraw[changed++] = steps[i];
        NoteDrawn(canvas, field, {steps[i].x, y, steps[i].x + steps[i].width, y + steps[i].height});
    }
    drawn.strip = strip;
    drawn.y = y;
    drawn.count = count;
    for (size_t i = 0; i < count; ++i) drawn.steps[i] = steps[i];
    return changed;
}

bool CaseIndicatorToDraw(PanelCanvas& canvas, int32_t open)
{
    if (canvas.caseShown == open) return false;
    canvas.caseShown = open;
    NoteDrawn(canvas, CaseIndicatorPart, CaseIndicatorBounds);
    return true;
}

bool FocusRingToDraw(PanelCanvas& canvas, int32_t target, const PanelRect& bounds)
{
    if (canvas.ringTarget == target) return false;
    NoteDrawn(canvas, FocusRingPart, bounds);
    canvas.ringTarget = target;
    canvas.ringBounds = bounds;
    return true;
}

size_t RectsToSend(PanelCanvas& canvas, const PanelRect& invalid, bool readoutInvalid, PanelRect* rects)
{
    const bool readoutOnly = invalid.left == ReadoutArea.left && invalid.top == ReadoutArea.top &&
                             invalid.right == ReadoutArea.right && invalid.bottom == ReadoutArea.bottom;
    size_t count = 0;
    if (readoutOnly && readoutInvalid && canvas.readoutSent) {
        for (const PanelRect& r : canvas.unsent)
            if (!IsEmpty(r)) rects[count++] = r;
        ForgetUnsent(canvas);
        return count;
    }
    // Everything drawn lies in the readout area.
    canvas.readoutSent = readoutInvalid;
    if (readoutInvalid) ForgetUnsent(canvas);
    rects[count++] = invalid;
    return count;
}
