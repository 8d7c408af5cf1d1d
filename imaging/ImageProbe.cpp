#include "imaging/ImageProbe.h"

#include "concurrency/ProcessHelper.h"
#include "imaging/MemoryStream.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>


// The flat GDI+ entry points, declared here: the SDK's own headers only come with the C++ wrapper.
extern "C" {
struct QuillmereGdiplusStartupInput {
    UINT32 GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};
typedef void GpImage;
int WINAPI GdiplusStartup(ULONG_PTR* token, const QuillmereGdiplusStartupInput* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
int WINAPI GdipLoadImageFromFile(const WCHAR* filename, GpImage** image);
int WINAPI GdipLoadImageFromStream(IStream* stream, GpImage** image);
int WINAPI GdipGetImageWidth(GpImage* image, UINT* width);
int WINAPI GdipGetImageHeight(GpImage* image, UINT* height);
int WINAPI GdipDisposeImage(GpImage* image);
}

namespace {
CRITICAL_SECTION* ProbeLock() {
    // Never deleted: a worker cut short at exit may still be inside a probe.
    static CRITICAL_SECTION* lock = [] {
        auto* section = new CRITICAL_SECTION;
        InitializeCriticalSection(section);
        return section;
    }();
    return lock;
}

class ProbeHold {
public:
    ProbeHold() { EnterCriticalSection(ProbeLock()); }
    ~ProbeHold() { LeaveCriticalSection(ProbeLock()); }
    ProbeHold(const ProbeHold&) = delete;
    ProbeHold& operator=(const ProbeHold&) = delete;
};

GpImage* LoadFromMemory(const std::string& data, IStream*& stream) {
    GpImage* image = nullptr;
    stream = MakeReadOnlyMemoryStream(data);
    if (stream == nullptr) return nullptr;
    GdipLoadImageFromStream(stream, &image);
    return image;
}

ImageSize Probe(const std::string& data) {
    UINT width = 0, height = 0;
    GpImage* image = nullptr;
    ULONG_PTR token = 0;
    const QuillmereGdiplusStartupInput input = {1, nullptr, FALSE, FALSE};
    const std::string text(data.c_str());  // up to the first zero byte
    const bool isPath = FileExists(text);

    ProbeHold hold;
    if (GdiplusStartup(&token, &input, nullptr) != 0) return {};
    IStream* stream = nullptr;
    if (isPath) {
        const std::string wide = ProcessHelper().ToUtf16(text.c_str(), 936);
        if (!wide.empty()) GdipLoadImageFromFile(reinterpret_cast<const WCHAR*>(wide.data()), &image);
    } else {
        image = LoadFromMemory(data, stream);
    }
    GdipGetImageWidth(image, &width);
    GdipGetImageHeight(image, &height);
    GdipDisposeImage(image);
    // The stream's bytes stay until the image is gone.
    if (stream != nullptr) stream->Release();
    GdiplusShutdown(token);
    return {static_cast<int>(width), static_cast<int>(height)};
}
}  // namespace

int ProbeImageWidth(const std::string& data) { return Probe(data).width; }
int ProbeImageHeight(const std::string& data) { return Probe(data).height; }
ImageSize ProbeImageSize(const std::string& data) { return Probe(data); }

bool FileExists(const std::string& path) { return PathFileExistsA(path.c_str()) == TRUE; }
