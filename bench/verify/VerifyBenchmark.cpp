// The verification run through the real window on one folder of photos, beside what its work
// costs done plainly on that folder: one GDI+ load per file on one thread with GDI+ started once
// (A), the same on two threads at once, one decodability check per file on one thread (B) and a
// Pillow loop (Image.open(p).load()) run natively. On two cores the floor of a run is about
// (A + B) / 2. Then the crop page's folder scan of the same photos against A, the per-file cost of
// verifying 1,000 against 8,000 and 20,000 small files, the crop page's scan of 1,000 and 8,000
// small files, and the worst time the window took to answer a message during the runs.
//
//   bench_verify [--photos FOLDER] [--work FOLDER] [--python PATH] [--rounds N] [--small N]
//
// --small sets the largest folder of small files (20000; 0 leaves the small files out).
// FOLDER is a Windows path; for the Pillow loop the work folder must be on Z: (the Unix root, as
// Wine maps it), where the loop's script and its answer are written, and PATH is a Unix path to
// a python3 with PIL. Without --photos, 500 generated photos of 1632 x 1224 are used.
#include "app/Application.h"
#include "app/MainWindow.h"
#include "common/FileBytes.h"
#include "crop/SourceList.h"
#include "imaging/MemoryStream.h"
#include "imaging/decode/PictureDecoder.h"
#include "ui/DialogSeam.h"
#include "verify/RecordGrid.h"

#include <windows.h>
#include <objidl.h>

#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

extern "C" {
struct BenchGdiplusStartupInput {
    UINT32 GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};
int WINAPI GdiplusStartup(ULONG_PTR* token, const BenchGdiplusStartupInput* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
int WINAPI GdipLoadImageFromStream(IStream* stream, void** image);
int WINAPI GdipGetImageWidth(void* image, UINT* width);
int WINAPI GdipGetImageHeight(void* image, UINT* height);
int WINAPI GdipDisposeImage(void* image);
}

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

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// A photo-like picture: smooth gradients with some texture, so it compresses as photos do.
std::string EncodePhoto(int width, int height, int seed) {
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
    std::string bytes(reinterpret_cast<const char*>(out), outSize);
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

struct Side {
    int width = 0, height = 0;
    bool operator==(const Side& other) const { return width == other.width && height == other.height; }
    std::string Text() const { return std::to_string(width) + "*" + std::to_string(height); }
};

struct Photo {
    std::string name, bytes;
};

// One GDI+ load per file from memory, with GDI+ started once for all of them, on `threads`
// threads taking the files in turn; with `checks`, each file's decodability check too, as a piece
// of its own taken in turn like the loads. Only the work is timed.
double GdiplusLoads(const std::vector<Photo>& photos, int threads, std::vector<Side>& sides, bool checks = false) {
    sides.assign(photos.size(), Side{});
    const BenchGdiplusStartupInput input = {1, nullptr, FALSE, FALSE};
    ULONG_PTR token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != 0) return -1;
    std::atomic<size_t> next{0};
    const size_t step = checks ? 2 : 1;
    auto work = [&] {
        for (size_t piece = next++; piece < photos.size() * step; piece = next++) {
            const size_t i = piece / step;
            if (checks && piece % 2 == 1) {
                imaging::CheckPictureDecodes(reinterpret_cast<const uint8_t*>(photos[i].bytes.data()),
                                             photos[i].bytes.size());
                continue;
            }
            IStream* stream = MakeReadOnlyMemoryStream(photos[i].bytes);
            void* image = nullptr;
            if (stream != nullptr) GdipLoadImageFromStream(stream, &image);
            UINT width = 0, height = 0;
            GdipGetImageWidth(image, &width);
            GdipGetImageHeight(image, &height);
            GdipDisposeImage(image);
            if (stream != nullptr) stream->Release();
            sides[i] = {static_cast<int>(width), static_cast<int>(height)};
        }
    };
    const double start = NowSeconds();
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (std::thread& thread : pool) thread.join();
    const double seconds = NowSeconds() - start;
    GdiplusShutdown(token);
    return seconds;
}

// One decodability check per file, as the run makes it, on one thread.
double Checks(const std::vector<Photo>& photos, int* pictures) {
    *pictures = 0;
    const double start = NowSeconds();
    for (const Photo& photo : photos) {
        *pictures += imaging::CheckPictureDecodes(reinterpret_cast<const uint8_t*>(photo.bytes.data()),
                                                  photo.bytes.size()) == imaging::DecodeStatus::Ok;
    }
    return NowSeconds() - start;
}

// The Pillow loop, run natively by Wine's start of a Unix program; it times itself and writes its
// seconds and the number of pictures it loaded into a file this waits for.
const char kPillowLoop[] =
    "import os, sys, time\n"
    "from PIL import Image\n"
    "folder, out = sys.argv[1], sys.argv[2]\n"
    "paths = [os.path.join(folder, n) for n in sorted(os.listdir(folder))]\n"
    "loaded = 0\n"
    "start = time.perf_counter()\n"
    "for p in paths:\n"
    "    try:\n"
    "        Image.open(p).load()\n"
    "        loaded += 1\n"
    "    except Exception:\n"
    "        pass\n"
    "seconds = time.perf_counter() - start\n"
    "with open(out + '.part', 'w') as f:\n"
    "    f.write('%f %d\\n' % (seconds, loaded))\n"
    "os.replace(out + '.part', out)\n";

std::string UnixPath(const std::string& windowsPath) {
    if (windowsPath.size() < 2 || (windowsPath[0] != 'Z' && windowsPath[0] != 'z') || windowsPath[1] != ':') return {};
    std::string path = windowsPath.substr(2);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

double PillowLoop(const std::string& python, const std::string& work, const std::string& photos, int* loaded) {
    *loaded = 0;
    if (python.empty() || UnixPath(work).empty() || UnixPath(photos).empty()) return -1;
    const std::string script = work + "\\pillow_loop.py", answer = work + "\\pillow_answer.txt";
    WriteFileBytes(script, kPillowLoop);
    DeleteFileA(answer.c_str());
    std::string command = python + " " + UnixPath(script) + " " + UnixPath(photos) + " " + UnixPath(answer);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return -1;
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    // A Unix program gives no handle to wait on: its answer file is the sign it has ended.
    for (int waited = 0; waited < 600000; waited += 20) {
        const std::string text = ReadWholeFile(answer);
        double seconds = 0;
        if (!text.empty() && std::sscanf(text.c_str(), "%lf %d", &seconds, loaded) == 2) return seconds;
        Sleep(20);
    }
    return -1;
}

// A scan into the record grid ("选择"), then the timed run ("验证图片").
double RunVerification(MainWindow& window, const std::string& folder, double* worstResponseMs) {
    SetFolderBrowserAnswer([&](const std::string&) { return folder; });
    SendMessageA(window.Control(按钮_选择), BM_CLICK, 0, 0);
    Pump();
    ResponseWatch watch(window.Handle());
    const double start = NowSeconds();
    SendMessageA(window.Control(按钮_验证图片), BM_CLICK, 0, 0);
    const double elapsed = NowSeconds() - start;
    Pump();
    *worstResponseMs = std::max(*worstResponseMs, watch.WorstMs());
    return elapsed;
}

// The crop page's folder scan ("选择图片路径") of the folder, after the list was emptied.
double CropScan(MainWindow& window, const std::string& folder) {
    SetFolderBrowserAnswer([](const std::string&) { return std::string(); });
    SendMessageA(window.Control(按钮_选择图片路径), BM_CLICK, 0, 0);
    Pump();
    SetFolderBrowserAnswer([&](const std::string&) { return folder; });
    const double start = NowSeconds();
    SendMessageA(window.Control(按钮_选择图片路径), BM_CLICK, 0, 0);
    const double elapsed = NowSeconds() - start;
    Pump();
    return elapsed;
}

// Rows of the record grid whose 分辨率 differs from the sides measured for their file.
int GridMismatches(MainWindow& window, const std::vector<Photo>& photos, const std::vector<Side>& sides) {
    std::map<std::string, std::string> expected;
    for (size_t i = 0; i < photos.size(); ++i) expected[photos[i].name] = sides[i].Text();
    RecordGrid* grid = RecordGrid::FromWindow(window.Control(高级表格1));
    int wrong = 0;
    for (int row = 1; row < grid->RowCount(); ++row) wrong += grid->CellText(row, 4) != expected[grid->CellText(row, 2)];
    return wrong + std::abs(grid->RowCount() - 1 - static_cast<int>(photos.size()));
}

int CropMismatches(MainWindow& window, const std::vector<Photo>& photos, const std::vector<Side>& sides) {
    std::map<std::string, std::string> expected;
    for (size_t i = 0; i < photos.size(); ++i) expected[photos[i].name] = sides[i].Text();
    HWND list = window.Control(超级列表框1);
    int wrong = 0;
    for (int row = 0; row < SourceRowCount(list); ++row)
        wrong += SourceCell(list, row, SourceImageRow::分辨率) != expected[SourceCell(list, row, SourceImageRow::名称)];
    return wrong + std::abs(SourceRowCount(list) - static_cast<int>(photos.size()));
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}
double Least(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

std::string Option(int argc, char** argv, const char* name, const std::string& fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return argv[i + 1];
    return fallback;
}

std::string SmallFolder(int files) {
    const std::string folder = TempFolder("quillmere-verify-bench-small-" + std::to_string(files));
    for (int f = 0; f < files; ++f) {
        const std::string path = folder + "\\f" + std::to_string(f) + ".txt";
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) WriteFileBytes(path, "text");
    }
    return folder;
}
}  // namespace

int main(int argc, char** argv) {
    std::string photoFolder = Option(argc, argv, "--photos", "");
    const std::string work = Option(argc, argv, "--work", "");
    const std::string python = Option(argc, argv, "--python", "");
    const int rounds = std::max(1, std::atoi(Option(argc, argv, "--rounds", "3").c_str()));
    const int largest = std::atoi(Option(argc, argv, "--small", "20000").c_str());

    CreateGlobals();
    MainWindow* window = MainWindow::Create(GetModuleHandleA(nullptr));
    if (window == nullptr) return 1;
    double worstResponseMs = 0;

    if (photoFolder.empty()) {
        photoFolder = TempFolder("quillmere-verify-bench-photos");
        for (int i = 0; i < 500; ++i) {
            const std::string path = photoFolder + "\\photo_" + std::to_string(i) + ".jpg";
            if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) WriteFileBytes(path, EncodePhoto(1632, 1224, i));
        }
    }
    std::vector<Photo> photos;
    double megapixels = 0;
    {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((photoFolder + "\\*.*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    photos.push_back({entry.cFileName, ReadWholeFile(photoFolder + "\\" + entry.cFileName)});
            } while (FindNextFileA(search, &entry));
            FindClose(search);
        }
    }
    if (photos.empty()) {
        std::printf("no files in %s\n", photoFolder.c_str());
        return 1;
    }
    std::vector<Side> sides;
    GdiplusLoads(photos, 1, sides);  // warms the file cache and GDI+'s codecs
    for (const Side& side : sides) megapixels += side.width * static_cast<double>(side.height) / 1e6;
    std::printf("photos: %zu files in %s, %.1f megapixels measured by GDI+\n", photos.size(), photoFolder.c_str(),
                megapixels);

    std::vector<double> runs, loadsA, loadsTwo, checksB, bothTwo, pillows, cropScans;
    std::vector<double> runToFloor, runToPillow, twoThreadGain, runToBothTwo;
    int wrongRun = 0, wrongTwo = 0, wrongCrop = 0, pictures = 0, pillowLoaded = 0;
    for (int round = 0; round < rounds; ++round) {
        const double run = RunVerification(*window, photoFolder, &worstResponseMs);
        wrongRun += GridMismatches(*window, photos, sides);
        std::vector<Side> measured;
        const double a = GdiplusLoads(photos, 1, measured);
        std::vector<Side> two;
        const double a2 = GdiplusLoads(photos, 2, two);
        for (size_t i = 0; i < photos.size(); ++i) wrongTwo += !(two[i] == measured[i]) + !(measured[i] == sides[i]);
        const double b = Checks(photos, &pictures);
        std::vector<Side> both;
        const double ab2 = GdiplusLoads(photos, 2, both, true);
        for (size_t i = 0; i < photos.size(); ++i) wrongTwo += !(both[i] == sides[i]);
        const double pillow = PillowLoop(python, work, photoFolder, &pillowLoaded);
        const double crop = CropScan(*window, photoFolder);
        wrongCrop += CropMismatches(*window, photos, sides);
        runs.push_back(run);
        loadsA.push_back(a);
        loadsTwo.push_back(a2);
        checksB.push_back(b);
        bothTwo.push_back(ab2);
        if (pillow >= 0) pillows.push_back(pillow);
        cropScans.push_back(crop);
        runToFloor.push_back(run / ((a + b) / 2));
        if (pillow > 0) runToPillow.push_back(run / pillow);
        twoThreadGain.push_back(a / a2);
        runToBothTwo.push_back(run / ab2);
        char pillowText[32] = "-";
        if (pillow >= 0) std::snprintf(pillowText, sizeof pillowText, "%.2f s", pillow);
        std::printf("round %d: run %.2f s | A %.2f s | A on 2 threads %.2f s | B %.2f s | A + B on 2 threads %.2f s"
                    " | Pillow %s | crop scan %.2f s | run / ((A + B) / 2) %.2f\n",
                    round + 1, run, a, a2, b, ab2, pillowText, crop, run / ((a + b) / 2));
    }
    const double run = Median(runs), a = Median(loadsA), b = Median(checksB), crop = Median(cropScans);
    std::printf("medians of %d rounds (least in brackets):\n", rounds);
    std::printf("  the program's verification run: %.2f s (%.2f), %.1f files/s\n", run, Least(runs), photos.size() / run);
    std::printf("  A, one GDI+ load per file on one thread, GDI+ started once: %.2f s (%.2f)\n", a, Least(loadsA));
    std::printf("  the same on two threads at once: %.2f s (%.2f); results unlike one thread's: %d\n", Median(loadsTwo),
                Least(loadsTwo), wrongTwo);
    std::printf("  B, one decodability check per file on one thread: %.2f s (%.2f), %d of %zu pictures\n", b,
                Least(checksB), pictures, photos.size());
    if (!pillows.empty()) {
        std::printf("  Pillow loop, Image.open(p).load(): %.2f s (%.2f), %d loaded\n", Median(pillows), Least(pillows),
                    pillowLoaded);
    } else {
        std::printf("  Pillow loop: not run (needs --work on Z: and --python)\n");
    }
    std::printf("  A + B, each file's load and check as two pieces, on two threads at once: %.2f s (%.2f)\n",
                Median(bothTwo), Least(bothTwo));
    std::printf("ratios, medians of the rounds' own (least in brackets):\n");
    std::printf("  run / ((A + B) / 2) = %.2f (%.2f)\n", Median(runToFloor), Least(runToFloor));
    if (!runToPillow.empty()) std::printf("  run / Pillow = %.2f (%.2f)\n", Median(runToPillow), Least(runToPillow));
    std::printf("  run / (A + B on two threads) = %.2f (%.2f)\n", Median(runToBothTwo), Least(runToBothTwo));
    std::printf("  two threads' gain on the loads, A / (A on 2 threads) = %.2f (a free second core gives 2)\n",
                Median(twoThreadGain));
    std::printf("  rows whose 分辨率 differs from A's: %d\n", wrongRun);
    std::printf("  crop page's folder scan of the photos: %.2f s (%.2f); scan / A = %.2f; rows unlike A's: %d\n", crop,
                Least(cropScans), crop / a, wrongCrop);

    // Small files: the run's pacing and its per-file cost as the folder grows.
    std::vector<int> counts;
    if (largest > 0) counts = {1000, 8000};
    if (largest > 8000) counts.push_back(largest);
    double perFileAt1000 = 0;
    for (int files : counts) {
        const std::string folder = SmallFolder(files);
        double worst = 0;
        const double seconds = RunVerification(*window, folder, &worst);
        worstResponseMs = std::max(worstResponseMs, worst);
        const double perFile = seconds * 1000.0 / files;
        if (files == 1000) perFileAt1000 = perFile;
        std::printf("verification of %d small files: %.2f s, %.3f ms per file (%.2f x the cost at 1000), worst response %.1f ms\n",
                    files, seconds, perFile, perFile / perFileAt1000, worst);
    }
    for (int files : counts) {
        if (files > 8000) continue;
        const double seconds = CropScan(*window, SmallFolder(files));
        std::printf("crop page's folder scan of %d small files: %.2f s, %.3f ms per file\n", files, seconds,
                    seconds * 1000.0 / files);
    }
    std::printf("worst message response during the verification runs: %.1f ms\n", worstResponseMs);
    DestroyWindow(window->Handle());
    ReleaseGlobals();
    return 0;
}
