#pragma once
#include <string>

// Whole-file reads and writes for the pages. Any thread.

// The file's whole content; empty when it cannot be opened or read, or is too large to hold.
// Others may read the file meanwhile but not change it.
std::string ReadWholeFile(const std::string& path);
// Creates or replaces the file with the bytes; true only when every byte was written and the
// file closed without error.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
