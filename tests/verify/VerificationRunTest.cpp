#include "verify/FolderScan.h"
#include "verify/RecordGrid.h"
#include "verify/VerificationRun.h"

#include "common/FileBytes.h"
#include "imaging/ImageProbe.h"
#include "ui/Controls.h"
#include "verify/PictureLoads.h"

#include "../support/ChildProcess.h"
#include "../support/WindowTestSupport.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>

namespace {
using testsupport::TempFolder;
using testsupport::TextOf;

std::string Fixture(const std::string& name) {
    std::string path = QUILLMERE_FIXTURES + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

constexpr COLORREF kRed = 0x0000FF, kGreen = 0x008000, kBlack = 0;

class VerificationTest : public testsupport::MainWindowTest {
protected:
    RecordGrid& Grid() { return *RecordGrid::FromWindow(C(高级表格1)); }
    void Scan(const TempFolder& folder) {
        folderAnswer = folder.Path();
        Click(按钮_选择);
    }
    void Verify() { Click(按钮_验证图片); }
    // The row of a file name, or 0.
    int RowOf(const std::string& name) {
        for (int row = 1; row < Grid().RowCount(); ++row)
            if (Grid().CellText(row, 2) == name) return row;
        return 0;
    }
    void Copy(const TempFolder& folder, const std::string& fixture, const std::string& as) {
        ASSERT_TRUE(CopyFileA(Fixture(fixture).c_str(), (folder.Path() + "\\" + as).c_str(), FALSE)) << fixture;
    }
    void Type(ControlId id, const char* text) {
        SetWindowTextA(C(id), text);
        testsupport::Pump();
    }
};

TEST_F(VerificationTest, EachKindOfFileGetsItsOutcome) {
    TempFolder folder("outcomes");
    Copy(folder, "verify-640x480.jpg", "big.jpg");
    Copy(folder, "verify-500x500.png", "atlimit.png");
    Copy(folder, "verify-501x500.png", "justover.png");
    Copy(folder, "probe-4x6.tif", "scan.tif");
    Copy(folder, "verify-20x10.pcx", "old.pcx");
    folder.File("notes.txt", std::string(100, 'a'));
    folder.File("stub.jpg", std::string("\xFF\xD8\x01\x02\x03\x04\x05", 7));
    Scan(folder);
    ASSERT_EQ(Grid().RowCount(), 8);
    Verify();

    struct Outcome {
        const char* file;
        const char* resolution;
        const char* result;
        const char* reason;
        COLORREF reasonColor;
    };
    const Outcome outcomes[] = {
        {"big.jpg", "640*480", "失败", "分辨率过高", kRed},
        {"atlimit.png", "500*500", "成功", "分辨率正常", kBlack},
        {"justover.png", "501*500", "失败", "分辨率过高", kRed},
        {"scan.tif", "4*6", "失败", "非图片文件，或者图片不存在", kRed},
        {"old.pcx", "0*0", "成功", "分辨率正常", kBlack},
        {"notes.txt", "0*0", "失败", "非图片文件，或者图片不存在", kRed},
        {"stub.jpg", "0*0", "失败", "非图片文件，或者图片不存在", kRed},
    };
    for (const Outcome& o : outcomes) {
        SCOPED_TRACE(o.file);
        const int row = RowOf(o.file);
        ASSERT_GT(row, 0);
        EXPECT_EQ(Grid().CellText(row, 3), "已完成");
        EXPECT_EQ(Grid().CellText(row, 4), o.resolution);
        EXPECT_EQ(Grid().CellText(row, 5), o.result);
        EXPECT_EQ(Grid().CellText(row, 6), o.reason);
        EXPECT_EQ(Grid().Model()->CellTextColor(row, 6), o.reasonColor);
        EXPECT_EQ(Grid().CellText(row, 7).size(), std::strlen("2024-03-07 09:05"));
    }
    EXPECT_EQ(TextOf(C(标签_任务状态)), "任务完成");
    EXPECT_EQ(GetLabelTextColor(C(标签_任务状态)), kGreen);
    EXPECT_EQ(TextOf(C(标签_验证结果)), "验证结果：成功：2 失败：5");
    EXPECT_TRUE(messages.empty()) << "the run shows no message";
}

TEST_F(VerificationTest, WithoutTheLimitEveryPictureIsFine) {
    TempFolder folder("nolimit");
    Copy(folder, "verify-640x480.jpg", "big.jpg");
    Copy(folder, "verify-500x500.png", "atlimit.png");
    folder.File("notes.txt", "not a picture");
    Scan(folder);
    Click(选择框_现在分辨率);  // a real click unticks it
    ASSERT_NE(SendMessageA(C(选择框_现在分辨率), BM_GETCHECK, 0, 0), BST_CHECKED);
    Verify();
    EXPECT_EQ(Grid().CellText(RowOf("big.jpg"), 6), "图片正常");
    EXPECT_EQ(Grid().CellText(RowOf("big.jpg"), 5), "成功");
    EXPECT_EQ(Grid().CellText(RowOf("atlimit.png"), 6), "图片正常");
    EXPECT_EQ(Grid().CellText(RowOf("notes.txt"), 6), "非图片文件，或者图片不存在");
    EXPECT_EQ(TextOf(C(标签_验证结果)), "验证结果：成功：2 失败：1");
}

TEST_F(VerificationTest, TasksReadTheLimitsAsTheyStandAndTextCountsAsZero) {
    TempFolder folder("limits");
    Copy(folder, "verify-640x480.jpg", "big.jpg");
    Scan(folder);
    struct Case {
        const char* width;
        const char* height;
        const char* reason;
    };
    const Case cases[] = {{"640", "480", "分辨率正常"}, {"639", "480", "分辨率过高"}, {"640", "479", "分辨率过高"},
                          {"\xA3\xB6\xA3\xB4\xA3\xB0", "480", "分辨率正常"}, {"", "", "分辨率过高"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        Type(编辑框1, c.width);
        Type(编辑框2, c.height);
        Grid().SetCellText(1, 3, "");  // pending again
        Verify();
        EXPECT_EQ(Grid().CellText(1, 6), c.reason);
    }
}

TEST_F(VerificationTest, ThreadCountTextGivesTheCeiling) {
    TempFolder folder("threads");
    folder.File("a.txt", "a");
    Scan(folder);
    struct Case {
        const char* text;
        int ceiling;
    };
    // The smallest int typed is a count like any other, never taken for "omitted".
    const Case cases[] = {{"", 5}, {"0", 5}, {"3", 5}, {"12", 12}, {"\xA3\xB1\xA3\xB2", 12}, {"7", 7},
                          {"-2147483648", 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SetWindowTextA(C(编辑框_线程数量), c.text);
        Verify();
        EXPECT_EQ(ThePool().MaxThreads(), c.ceiling);
        EXPECT_EQ(ThePool().State(), WorkerPool::Stopped) << "stopped again at the end of the run";
    }
}

// Snapshots of the 状态 and 验证时间 columns taken between the passes of the hand-out loop: a
// thread sends a message to a window of the window thread, which the loop's pumping dispatches.
class PassObserver {
public:
    explicit PassObserver(GridModel& model) : model_(model) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuillmerePassObserver";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        sender_ = std::thread([this] {
            while (!stop_) SendMessageTimeoutA(hwnd_, WM_APP, 0, 0, SMTO_NORMAL, 200, nullptr);
        });
    }
    ~PassObserver() {
        stop_ = true;
        sender_.join();
        DestroyWindow(hwnd_);
    }
    struct Snapshot {
        std::vector<std::string> status, time;
    };
    std::vector<Snapshot> snapshots;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<PassObserver*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (message == WM_APP && self) {
            Snapshot shot;
            for (int row = 1; row < self->model_.RowCount(); ++row) {
                shot.status.push_back(self->model_.CellText(row, 3));
                shot.time.push_back(self->model_.CellText(row, 7));
            }
            self->snapshots.push_back(std::move(shot));
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    GridModel& model_;
    HWND hwnd_;
    std::atomic<bool> stop_{false};
    std::thread sender_;
};

TEST_F(VerificationTest, RowsAreHandedOutFromTheBottomUpWithTheirMarks) {
    TempFolder folder("order");
    for (int i = 0; i < 40; ++i) folder.File("f" + std::to_string(i) + ".txt", "text");
    Scan(folder);
    const int rows = Grid().RowCount() - 1;
    {
        PassObserver observer(*Grid().Model());
        Verify();
        int partial = 0;
        for (const auto& shot : observer.snapshots) {
            bool seenPending = false;
            int handed = 0;
            for (int i = static_cast<int>(shot.status.size()) - 1; i >= 0; --i) {
                const bool pending = shot.status[i].empty();
                // Below the lowest pending row every row has been handed out, above it none.
                if (!pending) {
                    ++handed;
                    EXPECT_FALSE(seenPending) << "row " << i + 1 << " handed out while a lower row waits";
                    EXPECT_FALSE(shot.time[i].empty()) << "row " << i + 1 << " has its time with its mark";
                }
                seenPending = seenPending || pending;
            }
            if (handed > 0 && handed < rows) ++partial;
        }
        EXPECT_GT(partial, 0) << "the observer saw the run under way";
    }
    for (int row = 1; row <= rows; ++row) EXPECT_EQ(Grid().CellText(row, 3), "已完成") << row;
}

TEST_F(VerificationTest, ASecondPressFindsNothingPendingAndCountsAgain) {
    TempFolder folder("again");
    Copy(folder, "verify-500x500.png", "ok.png");
    folder.File("bad.txt", "x");
    Scan(folder);
    Verify();
    ASSERT_EQ(TextOf(C(标签_验证结果)), "验证结果：成功：1 失败：1");
    const std::string time = Grid().CellText(1, 7);

    // A row whose 结果 is empty counts as a failure.
    const int extra = AddRecordRow(*window, folder.Path() + "\\", "elsewhere.png");
    Grid().SetCellText(extra, 3, "正在执行");
    SetWindowTextA(C(标签_任务状态), "");
    Verify();
    EXPECT_EQ(TextOf(C(标签_任务状态)), "任务完成");
    EXPECT_EQ(TextOf(C(标签_验证结果)), "验证结果：成功：1 失败：2");
    EXPECT_EQ(Grid().CellText(1, 7), time);
    EXPECT_EQ(Grid().CellText(extra, 5), "") << "a row that is not pending is not handed out";
}

TEST_F(VerificationTest, AFewHundredFilesOnTenThreadsEndDoneOnce) {
    TempFolder folder("many");
    const std::string png = [] {
        std::string bytes;
        HANDLE file = CreateFileA(Fixture("verify-500x500.png").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read) bytes.append(buffer, read);
        CloseHandle(file);
        return bytes;
    }();
    constexpr int kFiles = 300;
    for (int i = 0; i < kFiles; ++i) {
        if (i % 3 == 0) folder.File("t" + std::to_string(i) + ".txt", "text");
        else folder.File("p" + std::to_string(i) + ".png", png);
    }
    Scan(folder);
    SetWindowTextA(C(编辑框_线程数量), "10");
    Verify();
    ASSERT_EQ(Grid().RowCount(), kFiles + 1);
    int done = 0;
    for (int row = 1; row <= kFiles; ++row) done += Grid().CellText(row, 3) == "已完成";
    EXPECT_EQ(done, kFiles);
    EXPECT_EQ(TextOf(C(标签_验证结果)), "验证结果：成功：200 失败：100");
    EXPECT_EQ(ThePool().State(), WorkerPool::Stopped);
}

// Every format of the decoders' corpus, a TIFF, a PCX, text, seven bytes starting like a JPEG and
// a truncated JPEG and PNG, several copies each so that many tasks run at once: the cells of every
// row must be those of checking the file by its path and measuring it once per dimension, under
// one thread count as under another.
TEST_F(VerificationTest, EveryRowGetsTheCellsOfOneProbePerDimensionWhateverTheThreadCount) {
    TempFolder folder("same");
    std::vector<std::pair<std::string, std::string>> files;  // name, content
    for (const char* format : {"bmp", "gif", "ico", "jpeg", "pcx", "png"}) {
        const std::string corpus = Fixture(std::string("../fuzz/corpus/") + format);
        for (const std::string& name : testsupport::EnumeratedFiles(corpus))
            files.push_back({name, ReadWholeFile(corpus + "\\" + name)});
    }
    const std::string photo = ReadWholeFile(Fixture("verify-640x480.jpg"));
    const std::string png = ReadWholeFile(Fixture("verify-500x500.png"));
    files.push_back({"photo.jpg", photo});
    files.push_back({"square.png", png});
    files.push_back({"scan.tif", ReadWholeFile(Fixture("probe-4x6.tif"))});
    files.push_back({"old.pcx", ReadWholeFile(Fixture("verify-20x10.pcx"))});
    files.push_back({"notes.txt", std::string(100, 'a')});
    files.push_back({"stub.jpg", std::string("\xFF\xD8\x01\x02\x03\x04\x05", 7)});
    files.push_back({"cut.jpg", photo.substr(0, photo.size() / 2)});
    files.push_back({"cut.png", png.substr(0, png.size() / 3)});
    ASSERT_GE(files.size(), 40u);
    for (const auto& file : files) ASSERT_FALSE(file.second.empty()) << file.first;
    for (int copy = 0; copy < 3; ++copy) {
        for (const auto& file : files) folder.File(std::to_string(copy) + "-" + file.first, file.second);
    }

    struct Cells {
        std::string resolution, result, reason;
        COLORREF reasonColor;
    };
    struct Limits {
        const char* width;
        const char* height;
    };
    for (const Limits limits : {Limits{"500", "500"}, Limits{"16", "12"}}) {
        const int maxWidth = std::atoi(limits.width), maxHeight = std::atoi(limits.height);
        std::map<std::string, Cells> expected;
        int pictures = 0, tooLarge = 0, measured = 0;
        for (const std::string& name : testsupport::EnumeratedFiles(folder.Path())) {
            const std::string path = folder.Path() + "\\" + name;
            const bool isPicture = PictureLoads(path);
            const int width = ProbeImageWidth(ReadWholeFile(path));
            const int height = ProbeImageHeight(ReadWholeFile(path));
            Cells cells{std::to_string(width) + "*" + std::to_string(height), "失败", "非图片文件，或者图片不存在", kRed};
            if (isPicture && (width > maxWidth || height > maxHeight)) cells.reason = "分辨率过高";
            else if (isPicture) cells = {cells.resolution, "成功", "分辨率正常", kBlack};
            pictures += isPicture;
            tooLarge += cells.reason == std::string("分辨率过高");
            measured += width > 0;
            expected[name] = cells;
        }
        ASSERT_GT(tooLarge, 0);
        ASSERT_GT(pictures - tooLarge, 0);
        ASSERT_GT(measured, pictures / 2) << "GDI+ measured most of them";

        for (const char* threads : {"1", "10"}) {
            SCOPED_TRACE(testing::Message() << threads << " threads, limits " << maxWidth << " x " << maxHeight);
            Scan(folder);  // pending again, colours as new
            ASSERT_EQ(Grid().RowCount(), static_cast<int>(expected.size()) + 1);
            SetWindowTextA(C(编辑框_线程数量), threads);
            Type(编辑框1, limits.width);
            Type(编辑框2, limits.height);
            Verify();
            for (int row = 1; row < Grid().RowCount(); ++row) {
                const std::string name = Grid().CellText(row, 2);
                const Cells& cells = expected[name];
                EXPECT_EQ(Grid().CellText(row, 3), "已完成") << name;
                EXPECT_EQ(Grid().CellText(row, 4), cells.resolution) << name;
                EXPECT_EQ(Grid().CellText(row, 5), cells.result) << name;
                EXPECT_EQ(Grid().CellText(row, 6), cells.reason) << name;
                EXPECT_EQ(Grid().Model()->CellTextColor(row, 6), cells.reasonColor) << name;
            }
        }
    }
}

// The batch resize shares the pool: while its run is under way a press of "验证图片" would stop
// the pool under the resize's tasks. The run owner turns such a press away.
TEST_F(VerificationTest, APressWhileAnotherRunIsUnderWayIsIgnored) {
    TempFolder folder("owner");
    folder.File("a.txt", "a");
    Scan(folder);
    {
        const RunOwner::Claim otherRun = TheRunOwner().TryBegin(RunKind::BatchResize);
        ASSERT_TRUE(otherRun.Held());
        Verify();
        EXPECT_EQ(Grid().CellText(1, 3), "") << "no row was handed out";
        EXPECT_EQ(TextOf(C(标签_任务状态)), "");
        EXPECT_EQ(ThePool().State(), WorkerPool::Stopped);
        EXPECT_FALSE(TheRunOwner().TryBegin(RunKind::Verification).Held());
    }
    Verify();
    EXPECT_EQ(Grid().CellText(1, 3), "已完成") << "once the other run is over, a press runs";
    EXPECT_FALSE(TheRunOwner().Busy()) << "the claim is given back at the run's end";
}

TEST_F(VerificationTest, PressesDuringARunAreIgnored) {
    TempFolder folder("busy"), other("other");
    for (int i = 0; i < 30; ++i) folder.File("f" + std::to_string(i) + ".txt", "text");
    other.File("x.txt", "x");
    Scan(folder);
    // Presses arrive while the run dispatches messages.
    PostMessageA(C(按钮_验证图片), BM_CLICK, 0, 0);
    folderAnswer = other.Path();
    PostMessageA(C(按钮_选择), BM_CLICK, 0, 0);
    Verify();
    testsupport::Pump();
    EXPECT_EQ(Grid().RowCount(), 31) << "no scan replaced the rows under the run";
    EXPECT_EQ(TextOf(C(标签_验证结果)), "验证结果：成功：0 失败：30");
}

}  // namespace

// Closing the window during a run: the program's start-up in a child process, a run over real
// photos, and a close while tasks decode them under the lock. What follows the release in a real
// exit takes time as well; the child waits a while after it, so that tasks cut short keep using
// the pool and the lock after the release, as they may.
namespace {
constexpr const char kCloseDuringRunFlag[] = "--close-during-run";
constexpr const char kPhotoFolderVariable[] = "QUILLMERE_TEST_PHOTOS";
constexpr DWORD kAccessViolation = 0xC0000005;
int g_busyAtClose = 0;

int RunCloseDuringRunChild() {
    char folder[MAX_PATH] = {};
    if (GetEnvironmentVariableA(kPhotoFolderVariable, folder, sizeof folder) == 0) return 9;
    testsupport::EnsureGlobals();
    MainWindow* window = MainWindow::Create(GetModuleHandleA(nullptr));
    if (window == nullptr) return 10;
    SetFolderBrowserAnswer([&](const std::string&) { return std::string(folder); });
    SendMessageA(window->Control(按钮_选择), BM_CLICK, 0, 0);
    SetTimer(window->Handle(), 1, 400, [](HWND hwnd, UINT, UINT_PTR, DWORD) {
        KillTimer(hwnd, 1);
        g_busyAtClose = ThePool().BusyThreads();
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    PostMessageA(window->Control(按钮_验证图片), BM_CLICK, 0, 0);
    const int code = RunMessageLoop();
    ReleaseGlobals();
    Sleep(1500);
    if (g_busyAtClose == 0) return 13;  // the close had to come while tasks ran
    return code;
}

TEST(VerificationShutdown, ClosingTheWindowDuringARunOverPhotosEndsTheProgramAtOnceWithoutAFault) {
    TempFolder photos("closing");
    for (int i = 0; i < 80; ++i) {
        ASSERT_TRUE(CopyFileA(Fixture("verify-640x480.jpg").c_str(),
                              (photos.Path() + "\\p" + std::to_string(i) + ".jpg").c_str(), FALSE));
    }
    SetEnvironmentVariableA(kPhotoFolderVariable, photos.Path().c_str());
    const testsupport::ChildResult child = testsupport::RunSelfWithFlag(kCloseDuringRunFlag, 30000);
    SetEnvironmentVariableA(kPhotoFolderVariable, nullptr);
    ASSERT_TRUE(child.ended) << "the program did not end";
    EXPECT_NE(child.exitCode, kAccessViolation) << "a task cut short touched released memory";
    EXPECT_EQ(child.exitCode, 0u);
    EXPECT_LT(child.elapsedMs, 15000u);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], kCloseDuringRunFlag) == 0) return RunCloseDuringRunChild();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
