// The crop view through the real window: the time a click on a row takes to show a photo, the
// worst repaint while dragging at several zooms and at 90 degrees, the memory the process takes,
// and how close RenderRegion comes to ImageMagick's rotate-and-resize of the same photo.
//
// Usage (scripts/bench.sh runs it):
//   bench_cropview plan <folder>   reads <folder>\photos.txt (one file name a line) and writes
//                                  <folder>\plan.txt: for each photo, zoom and angle the drawn
//                                  size and the position, from which ImageMagick makes
//                                  <folder>\ref-<n>.ppm
//   bench_cropview run <folder> <timed photo>
//                                  timing and memory on the timed photo, then the PSNR of each
//                                  planned view against its reference
#include "app/Application.h"
#include "app/MainWindow.h"
#include "crop/CropView.h"
#include "crop/CropViewPage.h"
#include "crop/SourceList.h"
#include "ui/MessageBoxSeam.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

double NowMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

struct Memory {
    double privateMb = 0;
    double peakPrivateMb = 0;
    double peakWorkingSetMb = 0;
};
Memory MemoryNow() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    const double mb = 1024.0 * 1024.0;
    // The commit charge: Wine leaves PrivateUsage at 0.
    return {counters.PagefileUsage / mb, counters.PeakPagefileUsage / mb, counters.PeakWorkingSetSize / mb};
}

struct Session {
    MainWindow* window = nullptr;
    HWND view = nullptr;
    CropView* crop = nullptr;

    bool Open() {
        window = MainWindow::Create(GetModuleHandleA(nullptr));
        if (window == nullptr) return false;
        window->SelectPage(TabPage::Crop);
        Pump();
        view = window->Control(动画框1);
        crop = CropView::FromWindow(view);
        return crop != nullptr;
    }
    // A real click on a new last row of the source list, as the user makes it.
    void ClickNewRow(const std::string& path) {
        HWND list = window->Control(超级列表框1);
        const int row = AppendSourceRow(*window, path, LastPathPart(path), "");
        RECT item = {};
        item.left = LVIR_LABEL;
        SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
        PostMessageA(list, WM_LBUTTONUP, 0, at);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        Pump();
        UpdateWindow(view);
    }
    void Zoom(int permille) {
        ResetZoom(*window);
        while (TheCropViewState().zoomPermille < permille) ZoomIn(*window);
        while (TheCropViewState().zoomPermille > permille) ZoomOut(*window);
    }
    void Angle(int degrees) {
        while (crop->State(TheCropViewState().spriteId).angle != degrees) RotateQuarterTurn(*window);
    }
    // The drawn picture's centre on the view's centre.
    void Centre() {
        const CropView::SpriteState s = crop->State(TheCropViewState().spriteId);
        crop->MoveSprite(TheCropViewState().spriteId, 158 - s.drawnWidth / 2, 186 - s.drawnHeight / 2);
    }
    // A drag along a circle: each step a mouse move and the repaint it causes. The worst and the
    // median step, in milliseconds.
    std::pair<double, double> Drag(int steps) {
        SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(158, 186));
        std::vector<double> times;
        for (int i = 1; i <= steps; ++i) {
            const double turn = 6.283185307179586 * i / steps;
            const int x = 158 + static_cast<int>(std::lround(120 * std::sin(turn)));
            const int y = 186 + static_cast<int>(std::lround(140 * (1 - std::cos(turn))));
            const double start = NowMs();
            SendMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
            UpdateWindow(view);
            times.push_back(NowMs() - start);
        }
        SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(158, 186));
        Pump();
        std::sort(times.begin(), times.end());
        return {times.back(), times[times.size() / 2]};
    }
};

struct PlanLine {
    int index = 0;
    std::string photo;
    int zoom = 0, angle = 0;
    int width = 0, height = 0, x = 0, y = 0;
};

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

const int kPlanZooms[] = {250, 1000};
const int kPlanAngles[] = {0, 90};

int Plan(Session& session, const std::string& folder) {
    std::ofstream plan(folder + "\\plan.txt");
    int index = 0;
    for (const std::string& photo : ReadLines(folder + "\\photos.txt")) {
        session.ClickNewRow(folder + "\\" + photo);
        if (!session.crop->State(TheCropViewState().spriteId).drawn) {
            std::printf("cannot show %s\n", photo.c_str());
            return 1;
        }
        for (int zoom : kPlanZooms) {
            for (int angle : kPlanAngles) {
                session.Zoom(zoom);
                session.Angle(angle);
                session.Centre();
                const CropView::SpriteState s = session.crop->State(TheCropViewState().spriteId);
                plan << ++index << ' ' << photo << ' ' << zoom << ' ' << angle << ' ' << s.drawnWidth << ' '
                     << s.drawnHeight << ' ' << session.crop->GetSpriteX(TheCropViewState().spriteId) << ' '
                     << session.crop->GetSpriteY(TheCropViewState().spriteId) << '\n';
            }
        }
    }
    return 0;
}

// A binary PPM of 8-bit samples as 0xRRGGBB; empty when it is not one.
std::vector<uint32_t> ReadPpm(const std::string& path, int& width, int& height) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    in >> magic >> width >> height >> maxValue;
    in.get();
    std::vector<uint32_t> pixels;
    if (!in || magic != "P6" || maxValue != 255 || width <= 0 || height <= 0) return pixels;
    std::vector<unsigned char> rgb(size_t(width) * height * 3);
    in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    if (!in) return pixels;
    pixels.resize(size_t(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = (rgb[3 * i] << 16) | (rgb[3 * i + 1] << 8) | rgb[3 * i + 2];
    return pixels;
}

double Psnr(const std::string& bmp, const std::vector<uint32_t>& reference) {
    double squares = 0;
    const size_t count = reference.size();
    for (size_t i = 0; i < count; ++i) {
        const int row = static_cast<int>(i / 316), column = static_cast<int>(i % 316);
        uint32_t pixel = 0;
        std::memcpy(&pixel, bmp.data() + 54 + (size_t(371 - row) * 316 + column) * 4, 4);
        for (int shift = 0; shift < 24; shift += 8) {
            const double d = double((pixel >> shift) & 0xFF) - double((reference[i] >> shift) & 0xFF);
            squares += d * d;
        }
    }
    const double mse = squares / (3.0 * count);
    return mse == 0 ? HUGE_VAL : 10.0 * std::log10(255.0 * 255.0 / mse);
}

int Run(Session& session, const std::string& folder, const std::string& timedPhoto) {
    const Memory before = MemoryNow();
    std::printf("timed photo: %s\n", timedPhoto.c_str());
    // The first click also warms the file cache; the second is timed as a user's would be.
    session.ClickNewRow(timedPhoto);
    session.ClickNewRow(folder + "\\photos.txt");
    const double start = NowMs();
    session.ClickNewRow(timedPhoto);
    const double loadMs = NowMs() - start;
    const CropView::SpriteState shown = session.crop->State(TheCropViewState().spriteId);
    if (!shown.drawn) {
        std::printf("the timed photo was not shown\n");
        return 1;
    }
    const Memory loaded = MemoryNow();
    std::printf("picture %d x %d: click to shown %.0f ms; picture with levels %.1f MB (%.3f of the picture)\n",
                shown.pictureWidth, shown.pictureHeight, loadMs, shown.pictureBytes / 1048576.0,
                shown.pictureBytes / (4.0 * shown.pictureWidth * shown.pictureHeight));
    std::printf("private memory: %.1f MB before, %.1f MB with the photo shown\n", before.privateMb, loaded.privateMb);

    struct Case {
        int zoom, angle;
    };
    const Case cases[] = {{100, 0}, {250, 0}, {1000, 0}, {2000, 0}, {250, 90}, {1000, 90}, {2000, 90}, {100, 270}};
    std::printf("repaint while dragging (200 steps each), worst / median; RenderRegion of the whole view, worst:\n");
    double worstOfAll = 0;
    for (const Case& c : cases) {
        session.Zoom(c.zoom);
        session.Angle(c.angle);
        session.Centre();
        session.Drag(20);  // warm-up
        const auto times = session.Drag(200);
        worstOfAll = std::max(worstOfAll, times.first);
        double renderWorst = 0;
        for (int i = 0; i < 20; ++i) {
            const double start = NowMs();
            const std::string bmp = session.crop->RenderRegion(0, 0, 316, 372, session.crop->BackgroundColor());
            renderWorst = std::max(renderWorst, NowMs() - start);
        }
        std::printf("  zoom %4d, %3d degrees: %6.2f ms / %5.2f ms; RenderRegion %5.2f ms\n", c.zoom, c.angle,
                    times.first, times.second, renderWorst);
    }
    const Memory dragged = MemoryNow();
    std::printf("worst repaint %.2f ms; peak private memory %.1f MB, peak working set %.1f MB, private now %.1f MB\n",
                worstOfAll, dragged.peakPrivateMb, dragged.peakWorkingSetMb, dragged.privateMb);

    std::printf("RenderRegion against ImageMagick (PSNR over the 316 x 372 view):\n");
    std::string lastPhoto;
    double lowest = 1e9;
    for (const std::string& line : ReadLines(folder + "\\plan.txt")) {
        std::istringstream fields(line);
        PlanLine p;
        fields >> p.index >> p.photo >> p.zoom >> p.angle >> p.width >> p.height >> p.x >> p.y;
        if (p.photo != lastPhoto) {
            session.ClickNewRow(folder + "\\" + p.photo);
            lastPhoto = p.photo;
        }
        session.Zoom(p.zoom);
        session.Angle(p.angle);
        session.Centre();
        int width = 0, height = 0;
        const std::vector<uint32_t> reference = ReadPpm(folder + "\\ref-" + std::to_string(p.index) + ".ppm", width, height);
        const std::string bmp = session.crop->RenderRegion(0, 0, 316, 372, session.crop->BackgroundColor());
        if (reference.empty() || width != 316 || height != 372 || bmp.size() != 54 + 316 * 372 * 4) {
            std::printf("  %s: no reference\n", line.c_str());
            continue;
        }
        const double psnr = Psnr(bmp, reference);
        lowest = std::min(lowest, psnr);
        char figure[32] = "identical";
        if (!std::isinf(psnr)) std::snprintf(figure, sizeof figure, "%.1f dB", psnr);
        std::printf("  %-28s zoom %4d, %2d degrees, drawn %5d x %5d: %s\n", p.photo.c_str(), p.zoom, p.angle,
                    p.width, p.height, figure);
    }
    if (lowest < 1e9 && !std::isinf(lowest)) std::printf("lowest PSNR %.1f dB\n", lowest);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: bench_cropview plan|run <folder> [timed photo]\n");
        return 2;
    }
    const std::string mode = argv[1], folder = argv[2];
    CreateGlobals();
    OleInitialize(nullptr);
    // A zoom limit's message would wait for a click.
    SetMessageBoxAnswer([](const std::string&, const std::string&, UINT) { return IDOK; });
    Session session;
    int result = 1;
    if (session.Open()) {
        if (mode == "plan") result = Plan(session, folder);
        if (mode == "run" && argc > 3) result = Run(session, folder, argv[3]);
    }
    if (MainWindow::Current()) DestroyWindow(MainWindow::Current()->Handle());
    Pump();
    OleUninitialize();
    ReleaseGlobals();
    return result;
}
