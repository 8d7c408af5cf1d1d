#include "imaging/ImageProbe.h"

#include "common/FileBytes.h"
#include "concurrency/ProcessHelper.h"
#include "imaging/GifColourTable.h"
#include "imaging/MemoryStream.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>

#include <atomic>

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
// The one GDI+ session of the process. Probes hold it shared while they load, so they run side by
// side; starting and shutting down hold it alone, so neither overlaps a load or the other. Plain
// zero-initialised data: usable from any thread at any time, never destroyed.
SRWLOCK g_session = SRWLOCK_INIT;
ULONG_PTR g_token = 0;
bool g_started = false;
std::atomic<bool> g_failStartup{false};
std::atomic<int> g_loads{0};
std::atomic<int> g_peakLoads{0};

// Exclusive holder only.
void StartGdiplus() {
    // An unsupported version is the one way to make the real start-up fail.
    const QuillmereGdiplusStartupInput input = {g_failStartup ? 0u : 1u, nullptr, FALSE, FALSE};
    ULONG_PTR token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != 0) return;  // nothing to shut down
    g_token = token;
    g_started = true;
}

// Exclusive holder only.
void ShutDownGdiplus() {
    if (!g_started) return;
    GdiplusShutdown(g_token);
    g_token = 0;
    g_started = false;
}

// GDI+ started and kept so for one load; not held when it cannot be started.
class SessionHold {
public:
    SessionHold() {
        for (;;) {
            AcquireSRWLockShared(&g_session);
            if (g_started) {
                held_ = true;
                return;
            }
            ReleaseSRWLockShared(&g_session);
            AcquireSRWLockExclusive(&g_session);
            if (!g_started) StartGdiplus();
            const bool started = g_started;
            ReleaseSRWLockExclusive(&g_session);
            if (!started) return;
            // Started: take it shared, unless a shut-down came in between.
        }
    }
    ~SessionHold() {
        if (held_) ReleaseSRWLockShared(&g_session);
    }
    SessionHold(const SessionHold&) = delete;
    SessionHold& operator=(const SessionHold&) = delete;
    bool Held() const { return held_; }

private:
    bool held_ = false;
};

class LoadCount {
public:
    LoadCount() {
        const int now = ++g_loads;
        int peak = g_peakLoads;
        while (now > peak && !g_peakLoads.compare_exchange_weak(peak, now)) {
        }
    }
    ~LoadCount() { --g_loads; }
    LoadCount(const LoadCount&) = delete;
    LoadCount& operator=(const LoadCount&) = delete;
};

GpImage* LoadFromMemory(const std::string& data, IStream*& stream) {
    GpImage* image = nullptr;
    stream = MakeReadOnlyMemoryStream(GifLacksGlobalColourTable(data) ? WithGlobalColourTable(data) : data);
    if (stream == nullptr) return nullptr;
    GdipLoadImageFromStream(stream, &image);
    return image;
}

// The named file when GDI+ cannot take it as it is.
HeadedRead ReadIfTablelessGif(const std::string& path) {
    return ReadWholeFileIfHead(path, 13, [](const std::string& head, unsigned long long) {
        return GifLacksGlobalColourTable(head);
    });
}

ImageSize Probe(const std::string& data) {
    const std::string text(data.c_str());  // up to the first zero byte
    const bool isPath = FileExists(text);

    SessionHold session;
    if (!session.Held()) return {};
    const LoadCount count;
    GpImage* image = nullptr;
    IStream* stream = nullptr;
    const HeadedRead tablelessGif = isPath ? ReadIfTablelessGif(text) : HeadedRead{};
    if (tablelessGif.complete) {
        image = LoadFromMemory(tablelessGif.bytes, stream);  // mended on the way
    } else if (isPath) {
        const std::string wide = ProcessHelper().ToUtf16(text.c_str(), 936);
        if (!wide.empty()) GdipLoadImageFromFile(reinterpret_cast<const WCHAR*>(wide.data()), &image);
    } else {
        image = LoadFromMemory(data, stream);
    }
    // Neither status is looked at: a failed load leaves the image null and both sides 0.
    UINT width = 0, height = 0;
    GdipGetImageWidth(image, &width);
    GdipGetImageHeight(image, &height);
    GdipDisposeImage(image);
    // The stream's bytes stay until the image is gone.
    if (stream != nullptr) stream->Release();
    return {static_cast<int>(width), static_cast<int>(height)};
}
}  // namespace

int ProbeImageWidth(const std::string& data) { return Probe(data).width; }
int ProbeImageHeight(const std::string& data) { return Probe(data).height; }
ImageSize ProbeImageSize(const std::string& data) { return Probe(data); }

void ShutDownImageProbes() {
    AcquireSRWLockExclusive(&g_session);
    ShutDownGdiplus();
    ReleaseSRWLockExclusive(&g_session);
}

bool FileExists(const std::string& path) { return PathFileExistsA(path.c_str()) == TRUE; }

void SimulateGdiplusStartupFailureForTests(bool fail) {
    AcquireSRWLockExclusive(&g_session);
    ShutDownGdiplus();
    g_failStartup = fail;
    ReleaseSRWLockExclusive(&g_session);
}

int TakePeakConcurrentLoadsForTests() { return g_peakLoads.exchange(g_loads.load()); }
