#pragma once
#include <objidl.h>

#include <string>

// A read-only stream over a copy of some bytes, for GDI+ to load a picture from.
//
// GDI+ reads a stream made over a memory block straight from the block, and under Wine it reads
// past the end of it on some broken files (a JPEG segment length running past the data), which
// faults. This stream hands out its bytes only through Read, which never passes the end, and
// gives no memory block away. Reference counted: it lives until its last Release.
IStream* MakeReadOnlyMemoryStream(const std::string& bytes);
