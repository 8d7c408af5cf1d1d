#pragma once
#include <string>

// GDI+ under Wine faults on a GIF that has no global colour table when its first picture has no
// table of its own either: it looks the missing table up. Such files are handed to GDI+ with a
// global table added, which changes neither side of the picture; a GDI+ that copes with the
// original gives it the same sides.

// The bytes start as a GIF (GIF87a or GIF89a with its 7-byte screen descriptor) whose global
// colour table flag is clear. Looks at the first 13 bytes only.
bool GifLacksGlobalColourTable(const std::string& bytes);
// The GIF with a 256-entry grey global table put in after its screen descriptor; any other bytes
// as they are.
std::string WithGlobalColourTable(const std::string& bytes);
