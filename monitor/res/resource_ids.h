/* Resource ids of the monitor, shared by the resource script and the code. */
#pragma once

#define ICON_NORMAL 101
#define ICON_ALARM 102
#define ICON_OPTIONS 178

#define STRING_UNEXPECTED_ERROR 9999
