// The verification run through the real window: files per second on generated photos beside the
// time to decode the same files once with the decoders alone, the per-file cost of 1,000 against
// 20,000 small files, and the worst time the window took to answer a message during the runs.
#include "app/Application.h"
#include "ui/DialogSeam.h"
#include "app/MainWindow.h"
#include "imaging/decode/PictureDecoder.h"
#include "verify/RecordGrid.h"

#include <windows.h>

#include <cstdio>
#include <jpeglib.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {
double NowSeconds() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

std::string TempFolder(const std::string& name) {
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    const std::string folder = std::string(base) + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size;
    if (file != INVALID_HANDLE_VALUE && GetFileSizeEx(file, &size)) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return bytes;
}

// A photo-like picture: smooth gradients with some texture, so it compresses as photos do.
std::vector<unsigned char> EncodePhoto(int width, int height, int seed) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 85, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    unsigned state = 12345u + seed;
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = cinfo.next_scanline;
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            const int noise = static_cast<int>((state >> 16) & 15) - 8;
            row[x * 3 + 0] = static_cast<unsigned char>(std::max(0, std::min(255, 128 + static_cast<int>(100 * std::sin((x + seed) * 0.01)) + noise)));
            row[x * 3 + 1] = static_cast<unsigned char>(std::max(0, std::min(255, (y * 255) / height + noise)));
            row[x * 3 + 2] = static_cast<unsigned char>(std::max(0, std::min(255, ((x ^ y) & 255) / 2 + 64 + noise)));
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<unsigned char> bytes(out, out + outSize);
    std::free(out);
    jpeg_destroy_compress(&cinfo);
    return bytes;
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Asks the window from another thread, every 20 ms, and keeps the slowest answer.
class ResponseWatch {
public:
    explicit ResponseWatch(HWND window) : thread_([this, window] {
        while (!stop_) {
            const double start = NowSeconds();
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result)) ++timeouts_;
            const double ms = (NowSeconds() - start) * 1000.0;
            if (ms > worstMs_) worstMs_ = ms;
            Sleep(20);
        }
    }) {}
    ~ResponseWatch() {
        stop_ = true;
        thread_.join();
    }
    double WorstMs() const { return worstMs_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<int> timeouts_{0};
    std::atomic<double> worstMs_{0};
    std::thread thread_;
};

double RunVerification(MainWindow& window, const std::string& folder, double* worstResponseMs) {
    SetFolderBrowserAnswer([&](const std::string&) { return folder; });
    SendMessageA(window.Control(按钮_选择), BM_CLICK, 0, 0);
    Pump();
    ResponseWatch watch(window.Handle());
    const double start = NowSeconds();
    SendMessageA(window.Control(按钮_验证图片), BM_CLICK, 0, 0);
    const double elapsed = NowSeconds() - start;
    Pump();
    std::printf("  worst message response during this run: %.1f ms\n", watch.WorstMs());
    *worstResponseMs = std::max(*worstResponseMs, watch.WorstMs());
    return elapsed;
}
}  // namespace

int main(int argc, char** argv) {
    const int photos = argc > 1 ? std::atoi(argv[1]) : 500;
    CreateGlobals();
    MainWindow* window = MainWindow::Create(GetModuleHandleA(nullptr));
    if (window == nullptr) return 1;
    double worstResponseMs = 0;

    const std::string photoFolder = TempFolder("quillmere-verify-bench-photos");
    std::vector<std::string> photoPaths;
    for (int i = 0; i < photos; ++i) {
        const std::string path = photoFolder + "\\photo_" + std::to_string(i) + ".jpg";
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) WriteFileBytes(path, EncodePhoto(1632, 1224, i));
        photoPaths.push_back(path);
    }
    double decodeSeconds = 0;
    for (const std::string& path : photoPaths) {
        const std::vector<unsigned char> bytes = ReadFileBytes(path);
        const double start = NowSeconds();
        const imaging::DecodedPicture picture = imaging::DecodePicture(bytes.data(), bytes.size());
        decodeSeconds += NowSeconds() - start;
        if (picture.status != imaging::DecodeStatus::Ok) std::printf("decode failed: %s\n", path.c_str());
    }
    const double photoSeconds = RunVerification(*window, photoFolder, &worstResponseMs);
    std::printf("verification of %d photos of 1632x1224: %.2f s, %.1f files/s\n", photos, photoSeconds,
                photos / photoSeconds);
    std::printf("full decode of the same files with the decoders alone: %.2f s (%.1f files/s); run / decode = %.2f\n",
                decodeSeconds, photos / decodeSeconds, photoSeconds / decodeSeconds);

    double perFile[2] = {};
    const int counts[2] = {1000, argc > 2 ? std::atoi(argv[2]) : 20000};
    for (int i = 0; i < 2; ++i) {
        const std::string folder = TempFolder("quillmere-verify-bench-small-" + std::to_string(counts[i]));
        for (int f = 0; f < counts[i]; ++f) {
            const std::string path = folder + "\\f" + std::to_string(f) + ".txt";
            if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) WriteFileBytes(path, {'t', 'e', 'x', 't'});
        }
        const double seconds = RunVerification(*window, folder, &worstResponseMs);
        perFile[i] = seconds * 1000.0 / counts[i];
        std::printf("verification of %d small files: %.2f s, %.3f ms per file\n", counts[i], seconds, perFile[i]);
    }
    std::printf("per-file cost, 20000 vs 1000: %.2f x\n", perFile[1] / perFile[0]);
    std::printf("worst message response during the runs: %.1f ms\n", worstResponseMs);
    DestroyWindow(window->Handle());
    ReleaseGlobals();
    return 0;
}
