// Time to scan folders of 1,000 and 20,000 files into the record grid through the real window
// ("选择" with the folder browser answered), and the cost per file of each.
#include "ui/DialogSeam.h"
#include "app/MainWindow.h"
#include "verify/RecordGrid.h"

#include <windows.h>

#include <cstdio>
#include <initializer_list>
#include <string>

namespace {
std::string MakeFolder(int files) {
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    const std::string folder = std::string(base) + "quillmere-scan-bench-" + std::to_string(files);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < files; ++i) {
        const std::string path = folder + "\\photo_" + std::to_string(i) + ".jpg";
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) continue;  // kept from an earlier run
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    return folder;
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}
}  // namespace

int main() {
    MainWindow* window = MainWindow::Create(GetModuleHandleA(nullptr));
    if (window == nullptr) return 1;
    double perFile[2] = {};
    int index = 0;
    for (int files : {1000, 20000}) {
        const std::string folder = MakeFolder(files);
        SetFolderBrowserAnswer([&](const std::string&) { return folder; });
        double best = 1e30;
        for (int run = 0; run < 3; ++run) {
            LARGE_INTEGER frequency, start, end;
            QueryPerformanceFrequency(&frequency);
            QueryPerformanceCounter(&start);
            SendMessageA(window->Control(按钮_选择), BM_CLICK, 0, 0);
            Pump();
            QueryPerformanceCounter(&end);
            const double ms = (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
            if (ms < best) best = ms;
        }
        const int rows = RecordGrid::FromWindow(window->Control(高级表格1))->RowCount() - 1;
        perFile[index++] = best * 1000.0 / rows;
        std::printf("scan of %d files: %.1f ms (best of 3), %.2f us per file, %d rows\n", files, best,
                    best * 1000.0 / rows, rows);
    }
    std::printf("per-file cost, 20000 vs 1000: %.2f x\n", perFile[1] / perFile[0]);
    DestroyWindow(window->Handle());
    return 0;
}
