#pragma once
#include <functional>
#include <string>

// The files directly inside a folder, as both pages list them. Any thread.
//
// The enumeration yields only entries carrying one of read-only, hidden, system, folder or archive
// (0x37); each is then looked up again by folder + name, and skipped when that look-up says
// folder. A name the code page cannot spell comes back from the enumeration with "?" in it: its
// second look-up fails, reads as every bit set, and the entry is skipped like a folder, so no row
// ever holds a path that cannot be opened.

using FolderFileVisitor = std::function<void(const std::string& folder, const std::string& name)>;

// Calls visit(folder ending in "\", name) for every such file, in the file system's order. A folder
// without its trailing backslash gets one first; the result is returned.
std::string ForEachFolderFile(std::string folder, const FolderFileVisitor& visit);

// Whether the enumeration takes an entry with these attributes at all.
bool IsEnumeratedEntryTaken(unsigned long attributes);
