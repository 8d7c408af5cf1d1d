#pragma once
#include <cstddef>
#include <functional>
#include <string>

// Whole-file reads and the one safe writer of the program. Any thread.
//
// Reads let others read the file meanwhile but not change it. Nothing here throws: a file too
// large to hold in memory reads as unreadable.

// The file's whole content; empty when it cannot be opened or read, or is too large to hold.
std::string ReadWholeFile(const std::string& path);

struct HeadedRead {
    bool complete = false;  // the head was accepted and the whole file read
    std::string bytes;      // the whole file when complete, otherwise what was read of the head
};
// Reads the file's first headBytes and hands them, with the file's size, to accepted; only when
// it says yes is memory taken for the rest. A file shorter than headBytes is never complete.
using HeadCheck = std::function<bool(const std::string& head, unsigned long long fileSize)>;
HeadedRead ReadWholeFileIfHead(const std::string& path, size_t headBytes, const HeadCheck& accepted);

// Creates or replaces the file with the bytes, never leaving a part-written file in its place:
// the bytes go to a temporary file in the same folder, which is moved over the target only once
// every byte was written, flushed and the file closed without error. A read-only file or a folder
// of that name is not replaced. True on success; on failure the target is as it was and the
// temporary file is gone.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool WriteWholeFile(const std::string& path, const void* data, size_t size);

// Tests only: every write from now on fails once this many bytes of it went out, as on a full
// disk; SIZE_MAX restores normal writing.
void SimulateFullDiskForTests(size_t bytesBeforeFailure);
