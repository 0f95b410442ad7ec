// Start at logon: the string value "Thermivo" under the machine-wide Run key,
// holding "<Windows directory>\Kelvimon.EXE HIDE" so that the monitor starts
// hidden. The monitor's Misc page, the installer and the uninstaller use
// these operations. Only the formatting of the value needs no Win32 call.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t AutoStartCommandSize = 256;

// The value's data for a Windows directory given without a trailing
// backslash. False, with an empty buffer, when the directory is empty or the
// text would not fit whole: a cut path would start the wrong program.
bool FormatAutoStartCommand(const char* windowsDirectory, char (&command)[AutoStartCommandSize]);

// 1 when the value has been written, 0 otherwise (the registry is then left
// as it was). SetAutoStart fetches the Windows directory itself; the installer
// passes the one it already holds.
int SetAutoStart();
int SetAutoStartIn(const char* windowsDirectory);
// 1 when the value has been deleted, 0 otherwise (also when there was none).
int ClearAutoStart();
// The same deletion, with the Win32 error that prevented it (0 when deleted;
// ERROR_FILE_NOT_FOUND when there was no value or no Run key).
uint32_t DeleteAutoStartValue();
// 1 when a value of that name exists and fits a 260-byte buffer; its data is
// not compared with what SetAutoStart would write.
int IsAutoStartSet();
