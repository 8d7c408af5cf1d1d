#pragma once
#include <string>

// The bytes of a resource of type RCDATA built into the program file; empty when it has none of
// that name. Any thread.
std::string ProgramResourceBytes(const char* name);
