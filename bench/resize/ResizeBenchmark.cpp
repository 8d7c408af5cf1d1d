// The batch resize on a folder of photos, through the real window, and the cost of one photo on
// the run's direct road against the resample chain it replaces.
//
//   bench_resize run PHOTOS OUTPUT   every *.jpg of PHOTOS listed on the crop page and resized to
//                                    304 x 365 into OUTPUT by a press of "修改分辨率", timed from
//                                    the press to the end of the run; the worst time the window
//                                    took meanwhile to answer a message sent from another thread
//   bench_resize chain PHOTO SCRATCH one photo, three rounds each, the best round: the chain
//                                    (the whole file read, the two GDI+ probes, ResamplePicture,
//                                    the write) against the direct road (the read, ResizeDirect,
//                                    the write); both must give the same bytes
//
// Folders and files are Windows paths. The lines starting "rate=" and "chain=" are read by
// scripts/bench.sh.
#include "app/Application.h"
#include "app/MainWindow.h"
#include "common/FileBytes.h"
#include "crop/DirectResize.h"
#include "crop/ResamplePicture.h"
#include "crop/SourceList.h"
#include "imaging/ImageProbe.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int32_t kWidth = 304;
constexpr int32_t kHeight = 365;

double NowSeconds() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

std::vector<std::string> Photos(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*.jpg").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// Sends the window an empty message every 20 ms from another thread and keeps the longest wait
// for its answer.
class ResponseWatch {
public:
    explicit ResponseWatch(HWND window) : window_(window), thread_([this] { Watch(); }) {}
    ~ResponseWatch() {
        stop_ = true;
        thread_.join();
    }
    double WorstMs() const { return worstMs_; }

private:
    void Watch() {
        while (!stop_) {
            const double start = NowSeconds();
            DWORD_PTR result = 0;
            SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
            worstMs_ = std::max(worstMs_.load(), (NowSeconds() - start) * 1000);
            Sleep(20);
        }
    }
    HWND window_;
    std::atomic<bool> stop_{false};
    std::atomic<double> worstMs_{0};
    std::thread thread_;
};

int RunThroughTheWindow(const std::string& folder, const std::string& output) {
    const std::vector<std::string> names = Photos(folder);
    if (names.empty()) {
        std::printf("no *.jpg in %s\n", folder.c_str());
        return 1;
    }
    CreateGlobals();
    MainWindow* window = MainWindow::Create(GetModuleHandleA(nullptr));
    if (window == nullptr) return 1;
    window->SelectPage(TabPage::Crop);
    // The rows a scan would list; the scan's own measuring is not what is timed here.
    for (const std::string& name : names) AppendSourceRow(*window, folder + "\\" + name, name, "");
    SetWindowTextA(window->Control(编辑框_修改存储路径), output.c_str());
    Pump();

    double seconds = 0, worstMs = 0;
    {
        ResponseWatch watch(window->Handle());
        const double start = NowSeconds();
        SendMessageA(window->Control(按钮_批量修改分辨率), BM_CLICK, 0, 0);
        seconds = NowSeconds() - start;
        worstMs = watch.WorstMs();
    }
    const HWND list = window->Control(超级列表框1);
    int done = 0;
    for (int row = 0; row < SourceRowCount(list); ++row) done += SourceCell(list, row, SourceImageRow::状态) == "修改成功";
    DestroyWindow(window->Handle());
    Pump();
    ReleaseGlobals();

    const double rate = static_cast<double>(names.size()) / seconds;
    std::printf("program: %zu photos resized to %d x %d in %.2f s through the window: %.2f pictures/s; "
                "%d rows marked done; the window answered within %.0f ms at worst\n",
                names.size(), kWidth, kHeight, seconds, rate, done, worstMs);
    std::printf("rate=%.4f\n", rate);
    return done == static_cast<int>(names.size()) ? 0 : 1;
}

int CompareRoads(const std::string& photo, const std::string& scratch) {
    double chainBest = 1e9, directBest = 1e9;
    ByteString chainBytes, directBytes;
    for (int round = 0; round < 3; ++round) {
        double start = NowSeconds();
        {
            const std::string bytes = ReadWholeFile(photo);
            // The chain measures the picture in every mode, then resamples.
            const int width = ProbeImageWidth(bytes);
            const int height = ProbeImageHeight(bytes);
            chainBytes = ResamplePicture(bytes, kWidth, kHeight, 0);
            if (width == 0 || height == 0 || !WriteWholeFile(scratch, chainBytes.data(), chainBytes.size())) return 1;
        }
        chainBest = std::min(chainBest, NowSeconds() - start);
        start = NowSeconds();
        {
            const std::string bytes = ReadWholeFile(photo);
            const ResizeOutcome outcome = ResizeDirect(bytes, kWidth, kHeight);
            directBytes = outcome.bmp;
            if (outcome.status != ResizeStatus::Done || !WriteWholeFile(scratch, directBytes.data(), directBytes.size()))
                return 1;
        }
        directBest = std::min(directBest, NowSeconds() - start);
    }
    DeleteFileA(scratch.c_str());
    const bool same = chainBytes == directBytes;
    std::printf("one photo (%s): the chain %.0f ms, the direct road %.0f ms (%.1f x); identical bytes: %s\n",
                photo.c_str(), chainBest * 1000, directBest * 1000, chainBest / directBest, same ? "yes" : "NO");
    std::printf("chain=%.4f direct=%.4f\n", chainBest, directBest);
    return same ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "run") == 0) return RunThroughTheWindow(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "chain") == 0) return CompareRoads(argv[2], argv[3]);
    std::printf("usage: bench_resize run PHOTOS OUTPUT | chain PHOTO SCRATCH\n");
    return 2;
}
