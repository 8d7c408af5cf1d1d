// The batch resize through the real window: the group's handlers, the run over the source list,
// its files, marks and log, the faults it must not have, and a close of the window during a run.
#include "crop/LogPanel.h"
#include "crop/SourceList.h"
#include "common/FileBytes.h"
#include "concurrency/ParallelPieces.h"
#include "concurrency/ProcessObjects.h"
#include "imaging/decode/PictureDecoder.h"
#include "ui/MessageBoxSeam.h"

#include "../support/ChildProcess.h"
#include "CropPageFixture.h"
#include "ResizePictures.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <thread>

namespace {

using croptest::Pump;
using croptest::TempFolder;
using testsupport::ShownMessage;

constexpr size_t kStampLength = 16;  // "2024-03-07 09:05"

// The figures and pixels of a 24-bit BMP file image.
struct Bmp {
    explicit Bmp(std::string file) : bytes(std::move(file)) {}
    bool Valid() const { return bytes.size() >= 54 && bytes.compare(0, 2, "BM") == 0; }
    uint32_t U32(size_t at) const {
        return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8 |
               static_cast<uint8_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
    }
    int32_t Width() const { return static_cast<int32_t>(U32(18)); }
    int32_t Height() const { return static_cast<int32_t>(U32(22)); }
    int BitCount() const { return static_cast<uint8_t>(bytes[28]); }
    size_t Stride() const { return (static_cast<size_t>(Width()) * 3 + 3) & ~size_t{3}; }
    // Blue, green, red of the pixel x, y counted from the top left.
    std::array<uint8_t, 3> At(int32_t x, int32_t y) const {
        const size_t at = 54 + Stride() * static_cast<size_t>(Height() - 1 - y) + 3 * static_cast<size_t>(x);
        return {static_cast<uint8_t>(bytes[at]), static_cast<uint8_t>(bytes[at + 1]), static_cast<uint8_t>(bytes[at + 2])};
    }
    std::string bytes;
};

std::string ReadText(const std::string& path) { return ReadWholeFile(path); }
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Runs `after` on the window thread after every message the control's own procedure handled,
// for as long as the hook lives.
class ControlHook {
public:
    using After = std::function<void(HWND, UINT, WPARAM, LPARAM, LRESULT)>;
    ControlHook(HWND control, After after) : control_(control), after_(std::move(after)) {
        Hooks()[control_] = this;
        original_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }
    ~ControlHook() {
        SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        Hooks().erase(control_);
    }
    ControlHook(const ControlHook&) = delete;
    ControlHook& operator=(const ControlHook&) = delete;

private:
    static std::map<HWND, ControlHook*>& Hooks() {
        static std::map<HWND, ControlHook*> hooks;
        return hooks;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        ControlHook* hook = Hooks()[hwnd];
        const LRESULT result = CallWindowProcA(hook->original_, hwnd, message, wParam, lParam);
        if (Hooks().count(hwnd)) hook->after_(hwnd, message, wParam, lParam, result);
        return result;
    }
    HWND control_;
    After after_;
    WNDPROC original_ = nullptr;
};

// Calls `onLine` with each line the log receives, without its time stamp, once it is in.
class LogWatch {
public:
    LogWatch(HWND log, std::function<void(const std::string& line)> onLine)
        : hook_(log, [onLine](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT) {
              if (message != LB_ADDSTRING) return;
              const std::string line = reinterpret_cast<const char*>(lParam);
              onLine(line.size() > kStampLength ? line.substr(kStampLength) : line);
          }) {}

private:
    ControlHook hook_;
};

class BatchResizeTest : public croptest::CropPageTest {
protected:
    void SetUp() override {
        CropPageTest::SetUp();
        SetMessageBoxAnswer([this](const std::string& text, const std::string& caption, UINT style) {
            messages.push_back({text, caption, style});
            return IDOK;
        });
    }
    void TearDown() override {
        SimulateFullDiskForTests(SIZE_MAX);
        CropPageTest::TearDown();
        SetMessageBoxAnswer(nullptr);
    }

    void Type(ControlId id, const std::string& text) {
        SetWindowTextA(C(id), text.c_str());
        Pump();
    }
    void Check(ControlId id, bool checked) {
        SendMessageA(C(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    bool Enabled(ControlId id) { return IsWindowEnabled(C(id)) != FALSE; }
    void ChooseOutput(const std::string& folder) {
        folderAnswer = folder;
        Click(按钮_选择分辨率修改路径);
    }
    // Fixed or proportional settings as the user would set them.
    void Settings(const std::string& width, const std::string& height, bool proportional = false,
                  bool byWidth = true) {
        Type(编辑框_修改宽度, width);
        Type(编辑框_修改高度, height);
        Check(单选框_宽度, byWidth);
        Check(单选框_高度, !byWidth);
        Check(选择框_按比例, proportional);
    }
    std::string Write(const TempFolder& folder, const std::string& name, const std::string& bytes) {
        return folder.File(name, bytes);
    }
    int Append(const std::string& path) { return AppendSourceRow(*window, path, LastPathPart(path), ""); }
    void Resize() { Click(按钮_批量修改分辨率); }
    std::vector<std::string> Marks() const { return Column(SourceImageRow::状态); }

    // The log's lines without their time stamps, which are checked on the way.
    std::vector<std::string> Log() {
        std::vector<std::string> lines;
        const HWND log = C(列表框_日志);
        const int count = static_cast<int>(SendMessageA(log, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            std::string line(static_cast<size_t>(SendMessageA(log, LB_GETTEXTLEN, i, 0)), '\0');
            SendMessageA(log, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&line[0]));
            EXPECT_GT(line.size(), kStampLength) << line;
            const std::string stamp = line.substr(0, kStampLength);
            EXPECT_TRUE(stamp[4] == '-' && stamp[7] == '-' && stamp[10] == ' ' && stamp[13] == ':') << line;
            lines.push_back(line.size() > kStampLength ? line.substr(kStampLength) : std::string());
        }
        return lines;
    }
    int CountOf(const std::vector<std::string>& lines, const std::string& line) {
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }

    std::vector<ShownMessage> messages;
};

TEST_F(BatchResizeTest, ProportionalModeFixesWhichSideIsTyped) {
    struct Step {
        const char* name;
        bool byWidth, byHeight;  // the radio buttons before the click
        bool proportionalAfter;
        bool widthOn, heightOn, radiosOn;
    };
    const Step steps[] = {
        {"on with 宽度", true, false, true, true, false, false},
        {"off again", true, false, false, true, true, true},
        {"on with 高度", false, true, true, false, true, false},
        {"off with 高度", false, true, false, true, true, true},
        {"on with neither", false, false, true, false, true, false},
        {"off with neither", false, false, false, true, true, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        Check(单选框_宽度, step.byWidth);
        Check(单选框_高度, step.byHeight);
        Click(选择框_按比例);
        EXPECT_EQ(SendMessageA(C(选择框_按比例), BM_GETCHECK, 0, 0) == BST_CHECKED, step.proportionalAfter);
        EXPECT_EQ(Enabled(编辑框_修改宽度), step.widthOn);
        EXPECT_EQ(Enabled(编辑框_修改高度), step.heightOn);
        EXPECT_EQ(Enabled(单选框_宽度), step.radiosOn);
        EXPECT_EQ(Enabled(单选框_高度), step.radiosOn);
    }
}

TEST_F(BatchResizeTest, TheOutputFolderIsChosenWithTheBrowser) {
    ChooseOutput("D:\\resized");
    ChooseOutput("");
    EXPECT_EQ(browserTitles, (std::vector<std::string>{"选择目标目录", "选择目标目录"}));
    EXPECT_EQ(croptest::TextOf(C(编辑框_修改存储路径)), "D:\\resized") << "a cancelled browser changes nothing";
}

TEST_F(BatchResizeTest, WithoutAnOutputFolderTheUserIsToldAndNothingRuns) {
    TempFolder source("nofolder");
    Append(Write(source, "a.bmp", croptest::BmpBytes(8, 8)));
    AppendLogLine(C(列表框_日志), "an earlier line");
    Resize();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "请选择需要保存的路径");
    EXPECT_EQ(messages[0].caption, "信息：");
    EXPECT_EQ(messages[0].style, static_cast<UINT>(MB_OK | MB_TASKMODAL));
    EXPECT_TRUE(Log().empty()) << "the log is cleared first";
    EXPECT_EQ(Marks(), (std::vector<std::string>{""}));
    EXPECT_TRUE(Enabled(按钮_批量修改分辨率));
}

TEST_F(BatchResizeTest, WithNothingPendingOnlyTheTwoEndLinesAreLogged) {
    TempFolder source("nothing"), output("nothing-out");
    ChooseOutput(output.Path());
    struct Case {
        const char* name;
        std::vector<std::string> marks;  // of the rows listed before the run
    };
    const Case cases[] = {{"empty list", {}}, {"every row marked", {"修改成功", "正在执行", "修改失败"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteAllRows(*window);
        for (size_t i = 0; i < c.marks.size(); ++i) {
            const int row = Append(Write(source, "p" + std::to_string(i) + ".bmp", croptest::BmpBytes(4, 4)));
            SetSourceCell(List(), row, SourceImageRow::状态, c.marks[i]);
        }
        Resize();
        EXPECT_EQ(Log(), (std::vector<std::string>{" 执行分辨率修改完成", " 任务已完成"}));
        EXPECT_EQ(Marks(), c.marks);
        EXPECT_TRUE(Enabled(按钮_批量修改分辨率));
        EXPECT_EQ(ThePool().State(), WorkerPool::Stopped);
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(BatchResizeTest, TargetSizesFollowTheModeAndTheSourcesAspect) {
    TempFolder source("sizes"), output("sizes-out");
    ChooseOutput(output.Path());
    struct Case {
        const char* name;
        int sourceWidth, sourceHeight;
        const char* width;
        const char* height;
        bool proportional, byWidth;
        int32_t outWidth, outHeight;
    };
    const Case cases[] = {
        {"fixed, wide source", 1000, 500, "304", "365", false, true, 304, 365},
        {"fixed, tall source", 3, 1000, "304", "365", false, true, 304, 365},
        {"fixed, full-width digits", 500, 1000, "\xA3\xB3\xA3\xB0\xA3\xB4", "365", false, true, 304, 365},
        {"by width", 1000, 500, "304", "999", true, true, 304, 152},
        {"by height", 1000, 500, "999", "365", true, false, 730, 365},
        // 304 x 1000 / 3 = 101333.33: truncated, and at some 92 MB written like any other.
        {"by width of a very tall source", 3, 1000, "304", "365", true, true, 304, 101333},
    };
    int serial = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = "s" + std::to_string(++serial) + ".bmp";
        Append(Write(source, name, croptest::BmpBytes(c.sourceWidth, c.sourceHeight)));
        Settings(c.width, c.height, c.proportional, c.byWidth);
        Resize();
        EXPECT_EQ(Marks().back(), "修改成功");
        const Bmp out(ReadText(output.Path() + "\\" + name + ".jpg"));
        ASSERT_TRUE(out.Valid());
        EXPECT_EQ(out.Width(), c.outWidth);
        EXPECT_EQ(out.Height(), c.outHeight);
        EXPECT_EQ(out.BitCount(), 24);
        EXPECT_EQ(out.bytes.size(), 54 + out.Stride() * static_cast<size_t>(c.outHeight));
        EXPECT_EQ(out.At(0, 0), (std::array<uint8_t, 3>{0x80, 0x80, 0x80}));
        EXPECT_EQ(out.At(c.outWidth - 1, c.outHeight - 1), (std::array<uint8_t, 3>{0x80, 0x80, 0x80}));
    }
}

TEST_F(BatchResizeTest, ProportionalWithNeitherSideChosenWritesAnEmptyFile) {
    TempFolder source("neither"), output("neither-out");
    ChooseOutput(output.Path());
    Append(Write(source, "n.bmp", croptest::BmpBytes(10, 10)));
    Check(单选框_宽度, false);
    Check(单选框_高度, false);
    Check(选择框_按比例, true);
    Resize();
    const std::string path = output.Path() + "\\n.bmp.jpg";
    EXPECT_TRUE(Exists(path));
    EXPECT_EQ(ReadText(path).size(), 0u);
    EXPECT_EQ(Marks(), (std::vector<std::string>{"修改成功"}));
    const std::vector<std::string> log = Log();
    EXPECT_EQ(CountOf(log, " 裁剪：n"), 1);
    EXPECT_EQ(CountOf(log, " 保存图片：" + path), 1);
}

TEST_F(BatchResizeTest, OutputsAreNamedByTheWholeNameAndLoggedByItsFirstPart) {
    TempFolder source("names"), output("names-out");
    ChooseOutput(output.Path());
    struct Case {
        const char* name;
        const char* firstPart;
    };
    const Case cases[] = {{"a.jpg", "a"}, {"x.y.bmp", "x"}, {".hidden.bmp", ""}, {"noextension", "noextension"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = std::string(c.name) == "a.jpg" ? resizetest::PhotoJpeg(40, 30)
                                                                  : croptest::BmpBytes(5, 5);
        Append(Write(source, c.name, bytes));
        Resize();
        const std::string path = output.Path() + "\\" + c.name + ".jpg";
        EXPECT_EQ(ReadText(path).substr(0, 2), "BM");
        const std::vector<std::string> log = Log();
        ASSERT_EQ(log.size(), 5u);
        EXPECT_EQ(log.front(), std::string(" 正在执行：") + c.name);
        EXPECT_EQ(log.back(), " 任务已完成");
        // The dispatcher's "every row is out" may come before or after the task's two lines.
        std::vector<std::string> task;
        for (const std::string& line : log)
            if (line != log.front() && line != log.back() && line != " 执行分辨率修改完成") task.push_back(line);
        EXPECT_EQ(task, (std::vector<std::string>{std::string(" 裁剪：") + c.firstPart, " 保存图片：" + path}));
    }
}

// Occupies every thread that decodes for the tasks until released, so that tasks wait with
// their pictures undecoded.
class DecodingHeld {
public:
    DecodingHeld()
        : release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread_([this] {
              std::vector<std::function<void()>> pieces(static_cast<size_t>(ParallelPieceThreads()), [this] {
                  ++holding_;
                  WaitForSingleObject(release_, 30000);
              });
              RunPiecesInParallel(pieces);
          }) {
        while (holding_ < ParallelPieceThreads()) Sleep(1);
    }
    ~DecodingHeld() {
        Release();
        thread_.join();
        CloseHandle(release_);
    }
    void Release() { SetEvent(release_); }

private:
    HANDLE release_;
    std::atomic<int> holding_{0};
    std::thread thread_;
};

TEST_F(BatchResizeTest, TasksNeverWaitForTheWindowAndTheirLinesComeBeforeTheRunsEnd) {
    TempFolder source("end"), output("end-out");
    ChooseOutput(output.Path());
    for (int i = 0; i < 3; ++i) Append(Write(source, "e" + std::to_string(i) + ".bmp", croptest::BmpBytes(16, 16)));
    // Every row goes out while no picture can be decoded. Then the window thread stops
    // dispatching until the pool is idle: tasks that needed an answer from it would never end.
    // The run then finds the pool idle at once, with every task's report still to be shown.
    bool idleWhileBlocked = false;
    {
        DecodingHeld held;
        LogWatch watch(C(列表框_日志), [&](const std::string& line) {
            if (line != " 执行分辨率修改完成") return;
            held.Release();
            for (int i = 0; i < 1000 && !ThePool().IsIdle(); ++i) Sleep(10);
            idleWhileBlocked = ThePool().IsIdle();
        });
        Resize();
    }
    EXPECT_TRUE(idleWhileBlocked);
    EXPECT_EQ(Marks(), (std::vector<std::string>(3, "修改成功")));
    const std::vector<std::string> log = Log();
    ASSERT_EQ(log.size(), 3u * 3 + 2);
    EXPECT_EQ(log[3], " 执行分辨率修改完成");
    for (size_t i = 4; i < 10; i += 2) EXPECT_EQ(log[i + 1].rfind(" 保存图片：", 0), 0u) << log[i + 1];
    EXPECT_EQ(log.back(), " 任务已完成");
}

TEST_F(BatchResizeTest, AnyThreadCountRunsOnFiveWorkersAtLeast) {
    TempFolder source("threads"), output("threads-out");
    ChooseOutput(output.Path());
    struct Case {
        const char* text;
        int ceiling;
    };
    const Case cases[] = {{"", 5}, {"0", 5}, {"abc", 5}, {"12", 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Type(编辑框_修改分辨率线程, c.text);
        Append(Write(source, "t" + std::to_string(c.ceiling) + c.text + ".bmp", croptest::BmpBytes(6, 6)));
        int liveAtHandOut = 0;
        {
            LogWatch watch(C(列表框_日志), [&liveAtHandOut](const std::string& line) {
                if (line.rfind(" 正在执行：", 0) == 0) liveAtHandOut = ThePool().LiveThreads();
            });
            Resize();
        }
        EXPECT_EQ(Marks().back(), "修改成功");
        EXPECT_EQ(liveAtHandOut, 5) << "the pool starts five workers";
        EXPECT_EQ(ThePool().MaxThreads(), c.ceiling);
    }
}

TEST_F(BatchResizeTest, ADriveRootAsOutputFolderGetsADoubledSeparator) {
    TempFolder source("root");
    const std::string name = "quillmere-root-" + std::to_string(GetCurrentProcessId()) + ".bmp";
    Append(Write(source, name, croptest::BmpBytes(7, 7)));
    ChooseOutput("C:\\");  // the browser gives a drive root with its backslash
    Resize();
    const std::string path = "C:\\\\" + name + ".jpg";
    const Bmp out(ReadText("C:\\" + name + ".jpg"));
    DeleteFileA(("C:\\" + name + ".jpg").c_str());
    EXPECT_TRUE(out.Valid());
    EXPECT_EQ(Marks(), (std::vector<std::string>{"修改成功"}));
    EXPECT_EQ(CountOf(Log(), " 保存图片：" + path), 1);
}

TEST_F(BatchResizeTest, AnExistingOutputIsReplaced) {
    TempFolder source("replace"), output("replace-out");
    Append(Write(source, "a.bmp", croptest::BmpBytes(9, 9)));
    const std::string path = output.File("a.bmp.jpg", "an older file of the same name");
    ChooseOutput(output.Path());
    Resize();
    const Bmp out(ReadText(path));
    EXPECT_TRUE(out.Valid());
    EXPECT_EQ(out.Width(), 304);
    EXPECT_EQ(Marks(), (std::vector<std::string>{"修改成功"}));
}

TEST_F(BatchResizeTest, AWidthChangedDuringARunAppliesToTheTasksThatStartAfterwards) {
    TempFolder source("change"), output("change-out");
    ChooseOutput(output.Path());
    for (int i = 0; i < 5; ++i) Append(Write(source, "c" + std::to_string(i) + ".bmp", croptest::BmpBytes(20, 20)));
    const std::string firstSaved = " 保存图片：" + output.Path() + "\\c0.bmp.jpg";
    bool firstDone = false;
    {
        // Just before the second row goes out, the first picture is finished, and the user types
        // another width.
        LogWatch watch(C(列表框_日志), [&](const std::string& line) {
            if (line == firstSaved) firstDone = true;
            if (line != " 正在执行：c1.bmp") return;
            for (int i = 0; i < 1000 && !firstDone; ++i) {
                Sleep(10);
                Pump();
            }
            SetWindowTextA(C(编辑框_修改宽度), "100");
        });
        Resize();
    }
    ASSERT_TRUE(firstDone);
    std::vector<int32_t> widths;
    for (int i = 0; i < 5; ++i) widths.push_back(Bmp(ReadText(output.Path() + "\\c" + std::to_string(i) + ".bmp.jpg")).Width());
    EXPECT_EQ(widths, (std::vector<int32_t>{304, 100, 100, 100, 100}));
}

// The expected pixel of a nearest-sample resize, computed here from the decoded source on its own:
// the ratio in thousandths, truncated once; 1-based positions; transparency laid over white.
std::array<uint8_t, 3> ExpectedPixel(const imaging::DecodedPicture& source, int32_t width, int32_t height,
                                     int32_t x, int32_t y) {
    const int64_t rx = static_cast<int64_t>(source.width) * 1000 / width;
    const int64_t ry = static_cast<int64_t>(source.height) * 1000 / height;
    const int64_t sx = std::max<int64_t>(1, (x + 1) * rx / 1000) - 1;
    const int64_t sy = std::max<int64_t>(1, (y + 1) * ry / 1000) - 1;
    const uint8_t* p = &source.bgra[(static_cast<size_t>(sy) * source.width + static_cast<size_t>(sx)) * 4];
    std::array<uint8_t, 3> out;
    for (int c = 0; c < 3; ++c) {
        const double alpha = p[3] / 255.0;
        out[c] = static_cast<uint8_t>(std::lround(p[c] * alpha + 255.0 * (1.0 - alpha)));
    }
    return out;
}

TEST_F(BatchResizeTest, OutputPixelsAreTheNearestSourcePixelsOverWhite) {
    TempFolder source("pixels"), output("pixels-out");
    ChooseOutput(output.Path());
    struct Case {
        const char* name;
        std::string bytes;
        const char* width;
        const char* height;
    };
    const Case cases[] = {
        {"photo.jpg", resizetest::PhotoJpeg(1203, 677, 9), "304", "365"},
        {"small.jpg", resizetest::PhotoJpeg(61, 40, 2), "304", "365"},
        {"alpha.png", resizetest::AlphaPng(61, 40), "150", "33"},
        {"clear.gif", resizetest::TransparentGif(45, 31), "90", "62"},
        {"alpha.ico", resizetest::AlphaIcon(48), "17", "40"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Append(Write(source, c.name, c.bytes));
        Settings(c.width, c.height);
        Resize();
        ASSERT_EQ(Marks().back(), "修改成功");
        const imaging::DecodedPicture decoded =
            imaging::DecodePicture(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size());
        ASSERT_EQ(decoded.status, imaging::DecodeStatus::Ok);
        const Bmp out(ReadText(output.Path() + "\\" + c.name + ".jpg"));
        ASSERT_TRUE(out.Valid());
        int wrong = 0;
        for (int32_t y = 0; y < out.Height(); ++y)
            for (int32_t x = 0; x < out.Width(); ++x)
                wrong += out.At(x, y) != ExpectedPixel(decoded, out.Width(), out.Height(), x, y);
        EXPECT_EQ(wrong, 0) << "pixels unlike the nearest source pixel";
    }
}

TEST_F(BatchResizeTest, TransparentPartsComeOutWhite) {
    TempFolder source("white"), output("white-out");
    ChooseOutput(output.Path());
    Settings("61", "40");
    Append(Write(source, "alpha.png", resizetest::AlphaPng(61, 40)));
    Resize();
    const Bmp out(ReadText(output.Path() + "\\alpha.png.jpg"));
    ASSERT_TRUE(out.Valid());
    // Alpha 0 at the left keeps a full red under it; alpha 255 at the right shows it.
    EXPECT_EQ(out.At(0, 5), (std::array<uint8_t, 3>{255, 255, 255}));
    EXPECT_EQ(out.At(60, 5)[2], 255);
    EXPECT_EQ(out.At(60, 5)[0], 0);
}

TEST_F(BatchResizeTest, FailuresAreMarkedAndLoggedAndLeaveNoFile) {
    TempFolder source("fail"), output("fail-out");
    struct Case {
        const char* name;
        std::function<std::string()> makeSource;  // the listed path
        const char* width;
        const char* height;
        bool proportional, byWidth;
        bool resampled;  // " 裁剪：" is logged before a write that then fails
        std::function<std::string()> outputFolder;
    };
    const std::string out = output.Path();
    const Case cases[] = {
        {"text.jpg", [&] { return Write(source, "text.jpg", "not a picture at all"); }, "304", "365", false, true,
         false, [&] { return out; }},
        {"gone.bmp",
         [&] {
             const std::string path = Write(source, "gone.bmp", croptest::BmpBytes(4, 4));
             DeleteFileA(path.c_str());
             return path;
         },
         "304", "365", false, true, false, [&] { return out; }},
        {"stub.jpg", [&] { return Write(source, "stub.jpg", resizetest::PhotoJpeg(64, 64).substr(0, 300)); }, "304",
         "365", false, true, false, [&] { return out; }},
        {"zero.bmp", [&] { return Write(source, "zero.bmp", croptest::BmpBytes(4, 4)); }, "0", "365", false, true,
         false, [&] { return out; }},
        {"narrow.bmp", [&] { return Write(source, "narrow.bmp", croptest::BmpBytes(3, 1000)); }, "304", "1", true,
         false, false, [&] { return out; }},
        {"huge.bmp", [&] { return Write(source, "huge.bmp", croptest::BmpBytes(4, 4)); }, "40000", "40000", false,
         true, false, [&] { return out; }},
        {"nofolder.bmp", [&] { return Write(source, "nofolder.bmp", croptest::BmpBytes(4, 4)); }, "304", "365",
         false, true, true, [&] { return out + "\\missing"; }},
        {"taken.bmp",
         [&] {
             output.Folder("taken.bmp.jpg");
             return Write(source, "taken.bmp", croptest::BmpBytes(4, 4));
         },
         "304", "365", false, true, true, [&] { return out; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteAllRows(*window);
        Append(c.makeSource());
        Settings(c.width, c.height, c.proportional, c.byWidth);
        ChooseOutput(c.outputFolder());
        Resize();
        EXPECT_EQ(Marks(), (std::vector<std::string>{"修改失败"}));
        const std::vector<std::string> log = Log();
        EXPECT_EQ(CountOf(log, std::string(" 修改失败：") + c.name), 1);
        EXPECT_EQ(CountOf(log, " 保存图片：" + c.outputFolder() + "\\" + c.name + ".jpg"), 0);
        const std::string name = c.name;
        EXPECT_EQ(CountOf(log, " 裁剪：" + name.substr(0, name.find('.'))), c.resampled ? 1 : 0);
        const std::string target = c.outputFolder() + "\\" + c.name + ".jpg";
        if (std::string(c.name) == "taken.bmp") {
            EXPECT_TRUE(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY) << "the folder stays";
        } else {
            EXPECT_FALSE(Exists(target));
        }
        EXPECT_EQ(testsupport::EnumeratedFiles(out).size(), 0u) << "no temporary file is left behind";
        EXPECT_TRUE(Enabled(按钮_批量修改分辨率));
    }
}

TEST_F(BatchResizeTest, AWriteThatFailsLeavesTheEarlierFileWhole) {
    TempFolder source("full"), output("full-out");
    ChooseOutput(output.Path());
    Append(Write(source, "a.jpg", resizetest::PhotoJpeg(320, 240)));
    Resize();
    ASSERT_EQ(Marks(), (std::vector<std::string>{"修改成功"}));
    const std::string good = ReadText(output.Path() + "\\a.jpg.jpg");
    ASSERT_GT(good.size(), 300000u);

    Click(按钮_清除标识);
    Settings("200", "100");
    SimulateFullDiskForTests(1000);
    Resize();
    SimulateFullDiskForTests(SIZE_MAX);
    EXPECT_EQ(Marks(), (std::vector<std::string>{"修改失败"}));
    EXPECT_EQ(CountOf(Log(), " 修改失败：a.jpg"), 1);
    EXPECT_TRUE(ReadText(output.Path() + "\\a.jpg.jpg") == good) << "the earlier file was touched";
    EXPECT_EQ(testsupport::EnumeratedFiles(output.Path()), (std::vector<std::string>{"a.jpg.jpg"}));
}

TEST_F(BatchResizeTest, RowsOfTheSameNameAreEachMarkedByTheirOwnTask) {
    TempFolder first("same1"), second("same2"), output("same-out");
    ChooseOutput(output.Path());
    // "单个处理" twice with one name from two folders, and the same file twice.
    AddSingle(Write(first, "a.bmp", croptest::BmpBytes(10, 10)));
    AddSingle(Write(second, "a.bmp", croptest::BmpBytes(12, 12)));
    const std::string twice = Write(first, "b.bmp", croptest::BmpBytes(8, 8));
    AddSingle(twice);
    AddSingle(twice);
    ASSERT_EQ(Rows(), 4);
    Resize();
    EXPECT_EQ(Marks(), (std::vector<std::string>(4, "修改成功")));
    const std::vector<std::string> log = Log();
    EXPECT_EQ(CountOf(log, " 保存图片：" + output.Path() + "\\a.bmp.jpg"), 2);
    EXPECT_EQ(CountOf(log, " 保存图片：" + output.Path() + "\\b.bmp.jpg"), 2);
}

TEST_F(BatchResizeTest, ATaskFindsItsRowAfterRowsWereDeleted) {
    TempFolder source("deleted"), output("deleted-out");
    ChooseOutput(output.Path());
    struct Case {
        const char* name;
        int deleteRow;  // while the pending row's task runs
        std::vector<std::string> marks;
    };
    const Case cases[] = {{"a row above it", 0, {"x", "修改成功"}}, {"its own row", 2, {"x", "x"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteAllRows(*window);
        for (int i = 0; i < 3; ++i) Append(Write(source, "d" + std::to_string(i) + ".bmp", croptest::BmpBytes(5, 5)));
        // Only the last row is pending, and its task is given row 2.
        SetSourceCell(List(), 0, SourceImageRow::状态, "x");
        SetSourceCell(List(), 1, SourceImageRow::状态, "x");
        {
            // Right after the dispatcher marked it, before its task's report can come back.
            ControlHook hook(List(), [&c](HWND list, UINT message, WPARAM wParam, LPARAM lParam, LRESULT) {
                const auto* item = reinterpret_cast<const LVITEMA*>(lParam);
                if (message == LVM_SETITEMTEXTA && wParam == 2 && item->iSubItem == SourceImageRow::状态 &&
                    std::strcmp(item->pszText, "正在执行") == 0)
                    SendMessageA(list, LVM_DELETEITEM, c.deleteRow, 0);
            });
            Resize();
        }
        EXPECT_EQ(Marks(), c.marks);
    }
}

TEST_F(BatchResizeTest, APoolStoppedFromElsewhereEndsTheRunAndFreesTheButton) {
    TempFolder source("stopped"), output("stopped-out");
    ChooseOutput(output.Path());
    constexpr int kRows = 60;
    for (int i = 0; i < kRows; ++i) Append(Write(source, "s" + std::to_string(i) + ".bmp", croptest::BmpBytes(30, 30)));
    // A stuck loop would never return from the click: end the program instead of waiting for the
    // test's time-out.
    const HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread watchdog([finished] {
        if (WaitForSingleObject(finished, 60000) == WAIT_TIMEOUT) {
            std::fprintf(stderr, "the run did not end after its pool was stopped\n");
            TerminateProcess(GetCurrentProcess(), 3);
        }
    });
    {
        // As the second row goes out, something else stops the pool.
        bool stopped = false;
        LogWatch watch(C(列表框_日志), [&stopped](const std::string& line) {
            if (line == " 正在执行：s1.bmp" && !stopped) stopped = ThePool().Stop(WorkerPool::Abandon);
        });
        Resize();
    }
    SetEvent(finished);
    watchdog.join();
    CloseHandle(finished);
    EXPECT_TRUE(Enabled(按钮_批量修改分辨率));
    std::vector<std::string> marks = Marks();
    EXPECT_GT(std::count(marks.begin(), marks.end(), ""), 0) << "rows were still pending when the pool stopped";
    const std::vector<std::string> log = Log();
    EXPECT_EQ(CountOf(log, " 执行分辨率修改完成"), 0);
    EXPECT_EQ(CountOf(log, " 任务已完成"), 0);

    // A new press takes the rows still pending.
    for (int i = 0; i < 500 && ThePool().State() != WorkerPool::Stopped; ++i) {
        Sleep(10);
        Pump();
    }
    Resize();
    marks = Marks();
    EXPECT_EQ(std::count(marks.begin(), marks.end(), ""), 0);
    EXPECT_EQ(CountOf(Log(), " 任务已完成"), 1);
}

TEST_F(BatchResizeTest, APressWhileAnotherRunIsUnderWayIsIgnored) {
    TempFolder source("owner"), output("owner-out");
    ChooseOutput(output.Path());
    Append(Write(source, "a.bmp", croptest::BmpBytes(4, 4)));
    AppendLogLine(C(列表框_日志), "kept");
    {
        const RunOwner::Claim other = TheRunOwner().TryBegin(RunKind::Verification);
        ASSERT_TRUE(other.Held());
        Resize();
        EXPECT_EQ(Marks(), (std::vector<std::string>{""}));
        EXPECT_EQ(SendMessageA(C(列表框_日志), LB_GETCOUNT, 0, 0), 1) << "not even the log is cleared";
    }
    // A press dispatched inside this run's own waits is ignored as well.
    PostMessageA(C(按钮_批量修改分辨率), BM_CLICK, 0, 0);
    Resize();
    Pump();
    EXPECT_EQ(Marks(), (std::vector<std::string>{"修改成功"}));
    EXPECT_EQ(CountOf(Log(), " 任务已完成"), 1);
    EXPECT_FALSE(TheRunOwner().Busy());
}

TEST_F(BatchResizeTest, TwoHundredRowsOnTenThreadsEachEndDoneOnceWithTheirLines) {
    TempFolder source("many"), output("many-out");
    ChooseOutput(output.Path());
    Type(编辑框_修改分辨率线程, "10");
    Settings("32", "24");
    constexpr int kRows = 200;
    std::vector<std::string> names;
    for (int i = 0; i < kRows; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d.%s", i, i % 2 ? "jpg" : "bmp");
        names.push_back(name);
        Append(Write(source, name, i % 2 ? resizetest::PhotoJpeg(48, 40, i) : croptest::BmpBytes(40, 30)));
    }
    const size_t outputSize = 54 + 96 * 24;
    // Every mark as the list receives it, and whether the row's file was whole when it got its
    // "修改成功".
    std::map<int, std::vector<std::string>> marksOf;
    int markedBeforeWritten = 0;
    {
        ControlHook hook(List(), [&](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT) {
            if (message != LVM_SETITEMTEXTA) return;
            const auto* item = reinterpret_cast<const LVITEMA*>(lParam);
            if (item->iSubItem != SourceImageRow::状态) return;
            const int row = static_cast<int>(wParam);
            marksOf[row].push_back(item->pszText);
            if (std::strcmp(item->pszText, "修改成功") == 0 &&
                ReadText(output.Path() + "\\" + names[static_cast<size_t>(row)] + ".jpg").size() != outputSize)
                ++markedBeforeWritten;
        });
        Resize();
    }
    for (int row = 0; row < kRows; ++row)
        EXPECT_EQ(marksOf[row], (std::vector<std::string>{"正在执行", "修改成功"})) << names[static_cast<size_t>(row)];
    EXPECT_EQ(markedBeforeWritten, 0);

    const std::vector<std::string> log = Log();
    std::map<std::string, int> lineCounts;
    for (const std::string& line : log) ++lineCounts[line];
    for (const std::string& name : names) {
        const std::string saved = " 保存图片：" + output.Path() + "\\" + name + ".jpg";
        EXPECT_EQ(lineCounts[" 正在执行：" + name], 1) << name;
        EXPECT_EQ(lineCounts[" 裁剪：" + name.substr(0, 4)], 1) << name;
        EXPECT_EQ(lineCounts[saved], 1) << name;
        // A task's two lines follow each other; only the dispatcher's may come between them.
        const auto cut = std::find(log.begin(), log.end(), " 裁剪：" + name.substr(0, 4));
        ASSERT_NE(cut, log.end());
        auto next = cut + 1;
        while (next != log.end() && (next->rfind(" 正在执行：", 0) == 0 || *next == " 执行分辨率修改完成")) ++next;
        EXPECT_TRUE(next != log.end() && *next == saved) << name;
    }
    EXPECT_EQ(log.size(), static_cast<size_t>(3 * kRows + 2));
    EXPECT_EQ(log.back(), " 任务已完成");
    EXPECT_EQ(testsupport::EnumeratedFiles(output.Path()).size(), static_cast<size_t>(kRows));
}

}  // namespace

// Closing the window during a run over photos: the program's start-up in a child process, a run
// on ten threads, and a close while tasks decode. The child waits a while after the release, so
// that tasks cut short go on with what they hold, as they may.
namespace {
constexpr const char kCloseDuringRunFlag[] = "--close-during-resize";
constexpr const char kPhotoFolderVariable[] = "QUILLMERE_TEST_RESIZE_PHOTOS";
constexpr DWORD kAccessViolation = 0xC0000005;
constexpr int kPhotos = 32;
int g_busyAtClose = 0;
HWND g_list = nullptr;

int RunCloseDuringResizeChild() {
    char folder[MAX_PATH] = {};
    if (GetEnvironmentVariableA(kPhotoFolderVariable, folder, sizeof folder) == 0) return 9;
    testsupport::EnsureGlobals();
    MainWindow* window = MainWindow::Create(GetModuleHandleA(nullptr));
    if (window == nullptr) return 10;
    window->SelectPage(TabPage::Crop);
    for (int i = 0; i < kPhotos; ++i) {
        const std::string name = "p" + std::to_string(i) + ".jpg";
        AppendSourceRow(*window, std::string(folder) + "\\" + name, name, "2400*1600");
    }
    SetWindowTextA(window->Control(编辑框_修改存储路径), (std::string(folder) + "\\out").c_str());
    // The close comes once the first picture is done, while the others are being decoded.
    g_list = window->Control(超级列表框1);
    SetTimer(window->Handle(), 1, 5, [](HWND hwnd, UINT, UINT_PTR, DWORD) {
        if (FindRowByCell(g_list, "修改成功", SourceImageRow::状态) < 0 || ThePool().BusyThreads() == 0) return;
        KillTimer(hwnd, 1);
        g_busyAtClose = ThePool().BusyThreads();
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    PostMessageA(window->Control(按钮_批量修改分辨率), BM_CLICK, 0, 0);
    const int code = RunMessageLoop();
    ReleaseGlobals();
    Sleep(1500);
    if (g_busyAtClose == 0) return 13;  // the close had to come while tasks ran
    return code;
}

TEST(BatchResizeShutdown, ClosingTheWindowDuringARunOverPhotosEndsTheProgramAtOnceWithoutAFault) {
    TempFolder photos("resize-closing");
    CreateDirectoryA((photos.Path() + "\\out").c_str(), nullptr);
    const std::string photo = resizetest::PhotoJpeg(2400, 1600, 5);
    for (int i = 0; i < kPhotos; ++i) photos.File("p" + std::to_string(i) + ".jpg", photo);
    SetEnvironmentVariableA(kPhotoFolderVariable, photos.Path().c_str());
    const testsupport::ChildResult child = testsupport::RunSelfWithFlag(kCloseDuringRunFlag, 30000);
    SetEnvironmentVariableA(kPhotoFolderVariable, nullptr);
    ASSERT_TRUE(child.ended) << "the program did not end";
    EXPECT_NE(child.exitCode, kAccessViolation) << "a task cut short touched released memory";
    EXPECT_EQ(child.exitCode, 0u);
    EXPECT_LT(child.elapsedMs, 15000u);
    const size_t written = testsupport::EnumeratedFiles(photos.Path() + "\\out").size();
    EXPECT_LT(written, static_cast<size_t>(kPhotos)) << "the run was cut short";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], kCloseDuringRunFlag) == 0) return RunCloseDuringResizeChild();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
