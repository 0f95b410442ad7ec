#include "monitor/ui/tray_tip.h"

#include <cstring>

#include "common/runtime/format.h"

namespace {

constexpr const char* AlarmPrefix = "Alarm: ";
constexpr const char* Separator = ", ";

struct TipPart {
    const char* title;
    size_t titleLength;
    char value[16];  // "-128°F"
};

// The tip's length with every title cut to at most titleLimit characters.
size_t TipLength(const TipPart* parts, int count, size_t fixed, size_t titleLimit)
{
    size_t length = fixed;
    for (int i = 0; i < count; ++i) {
        const size_t title = parts[i].titleLength < titleLimit ? parts[i].titleLength : titleLimit;
        length += (title > 0 ? title + 1 : 0) + strlen(parts[i].value) + (i > 0 ? strlen(Separator) : 0);
    }
    return length;
}

}  // namespace

void FormatTrayTip(char (&tip)[TrayTipSize], const MonitorConfig& config,
                   const SensorSnapshot snapshot[FanChannelCount], bool alarm)
{
    TipPart parts[FanChannelCount];
    int count = 0;
    for (int n = 0; n < FanChannelCount; ++n) {
        if (!config.itemOn[n]) continue;
        TipPart& part = parts[count++];
        part.title = config.fanTitle[n];
        part.titleLength = strlen(part.title);
        const int32_t celsius = snapshot[n].temperature;
        FormatText(part.value, sizeof part.value, "%d\xB0%c", config.celsius ? celsius : CelsiusToFahrenheit(celsius),
                   config.celsius ? 'C' : 'F');
    }
    const char* prefix = alarm ? AlarmPrefix : "";
    if (count == 0) {
        FormatText(tip, sizeof tip, "%s%s", prefix, ProgramTip);
        return;
    }
    size_t titleLimit = TitleSize;
    while (titleLimit > 0 && TipLength(parts, count, strlen(prefix), titleLimit) >= sizeof tip) --titleLimit;
    size_t length = static_cast<size_t>(FormatText(tip, sizeof tip, "%s", prefix));
    for (int i = 0; i < count && length < sizeof tip; ++i) {
        const int title = static_cast<int>(parts[i].titleLength < titleLimit ? parts[i].titleLength : titleLimit);
        const int written = FormatText(tip + length, sizeof tip - length, "%s%.*s%s%s", i > 0 ? Separator : "",
                                       title, parts[i].title, title > 0 ? " " : "", parts[i].value);
        length += static_cast<size_t>(written);
    }
}
