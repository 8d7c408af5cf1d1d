#pragma once
#include <string>

// The folder holding the program file, without a trailing backslash. Any thread.
std::string ProgramFolder();
