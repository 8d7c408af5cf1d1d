#pragma once
#include <string>

// A picture's width or height through GDI+, 0 when it cannot be measured. The bytes are read
// twice: up to their first zero byte as GBK text naming a file (measured as that file when it
// exists), otherwise as an encoded picture. Each call starts and shuts down GDI+ by itself.
//
// Any thread may call them. Calls are kept apart by a lock private to the probes (GDI+ start-up
// and shut-down must never overlap): a worker holding the process lock may wait for it, and the
// window thread waits for it only while one probe runs, never for the process lock.
int ProbeImageWidth(const std::string& data);
int ProbeImageHeight(const std::string& data);

// Both sides from one load of the picture, each exactly what its own probe would give (both 0
// when nothing can be measured). For callers that want the two: half the work of two probes.
struct ImageSize {
    int width = 0;
    int height = 0;
};
ImageSize ProbeImageSize(const std::string& data);

// Whether the path names an existing file or folder.
bool FileExists(const std::string& path);
