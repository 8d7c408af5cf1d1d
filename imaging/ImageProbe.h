#pragma once
#include <string>

// A picture's width or height through GDI+, 0 when it cannot be measured. The bytes are read
// twice: up to their first zero byte as GBK text naming a file (measured as that file when it
// exists), otherwise as an encoded picture.
//
// GDI+ is started by the first probe and kept started, so start-up and shut-down never overlap
// and each probe costs one load. Any thread may call them, and probes on different threads load
// their pictures at the same time. When GDI+ cannot be started every probe gives 0, and the next
// one tries again.
int ProbeImageWidth(const std::string& data);
int ProbeImageHeight(const std::string& data);

// Both sides from one load of the picture, each exactly what its own probe would give (both 0
// when nothing can be measured). For callers that want the two: half the work of two probes.
struct ImageSize {
    int width = 0;
    int height = 0;
};
ImageSize ProbeImageSize(const std::string& data);

// Shuts GDI+ down once the probes in progress are over; a later probe starts it again. Only for
// the program's end, once no thread that might still probe is left: a worker cut short inside a
// probe would hold it up.
void ShutDownImageProbes();

// Whether the path names an existing file or folder.
bool FileExists(const std::string& path);

// Tests only: from now on GDI+ fails to start (it is shut down first), or starts again.
void SimulateGdiplusStartupFailureForTests(bool fail);
// Tests only: the most loads that were under way at one moment since the last call.
int TakePeakConcurrentLoadsForTests();
