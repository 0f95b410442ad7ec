// What every program's entry point does before its main function: the x87
// unit's state and the constructors of static objects (program_start_win.cpp).
#pragma once

void StartProgramRuntime();

// The console programs' main function, given the arguments after the
// program name; its result is the exit code.
int ConsoleMain(const char* arguments);
