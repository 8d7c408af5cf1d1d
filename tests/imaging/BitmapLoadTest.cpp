// Loading from files, from BMP bytes (through the temporary file, also from two processes at
// once) and from bitmap handles; the special folders.
#include "BitmapFixtures.h"

#include "imaging/decode/PictureDecoder.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdlib>
#include <cstring>

namespace {

using fixtures::ColourAt;

int DisplayBitDepth() {
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits;
}

// Every pixel of the bitmap against the colour function; the number of differences.
int CountWrongPixels(新位图操作类& bitmap, int32_t width, int32_t height, const ColourAt& colour) {
    if (bitmap.GetWidth() != width || bitmap.GetHeight() != height) return width * height;
    int wrong = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) wrong += bitmap.GetPixel(x, y) != colour(x, y) ? 1 : 0;
    }
    return wrong;
}

COLORREF ParentColour(int32_t x, int32_t y) { return RGB(x * 50, y * 70, 200); }
COLORREF ChildColour(int32_t x, int32_t y) { return RGB(255 - x * 40, 30, y * 100); }

// Loads its own picture again and again; the number of loads that gave anything else.
int LoadRepeatedly(int times, int32_t width, int32_t height, const ColourAt& colour) {
    const ByteString file = fixtures::MakeBmp24(width, height, colour);
    int failures = 0;
    for (int i = 0; i < times; ++i) {
        新位图操作类 bitmap;
        if (!bitmap.LoadFromBytes(file) || CountWrongPixels(bitmap, width, height, colour) != 0) ++failures;
    }
    return failures;
}

constexpr int kLoadsPerProcess = 150;

TEST(BitmapLoad, LoadFromFileRefusesAJpegAndLeavesTheObjectEmpty) {
    const ByteString jpeg = fixtures::TinyJpeg();
    ASSERT_EQ(imaging::DecodePicture(jpeg.data(), jpeg.size()).status, imaging::DecodeStatus::Ok)
        << "the fixture must be a real JPEG";
    const std::string path = fixtures::TemporaryLoadFile() + ".test.jpg";
    ASSERT_TRUE(fixtures::WriteFileBytes(path, jpeg));
    新位图操作类 bitmap;
    ASSERT_TRUE(bitmap.Create(2, 2, 24));
    EXPECT_FALSE(bitmap.LoadFromFile(path));
    DeleteFileA(path.c_str());
    EXPECT_EQ(bitmap.GetWidth(), 0);
    EXPECT_EQ(bitmap.GetHeight(), 0);
    EXPECT_EQ(bitmap.ToBmpBytes().size(), 14u);
}

TEST(BitmapLoad, LoadFromFileTakesABmpAtTheDisplaysDepth) {
    const ColourAt colour = [](int32_t x, int32_t y) { return RGB(10 + x, 20 + y, 30 + x * y); };
    const std::string path = fixtures::TemporaryLoadFile() + ".test.bmp";
    ASSERT_TRUE(fixtures::WriteFileBytes(path, fixtures::MakeBmp24(3, 5, colour)));
    新位图操作类 bitmap;
    EXPECT_TRUE(bitmap.LoadFromFile(path));
    DeleteFileA(path.c_str());
    EXPECT_EQ(bitmap.GetBitDepth(), DisplayBitDepth());
    EXPECT_EQ(CountWrongPixels(bitmap, 3, 5, colour), 0);
    EXPECT_FALSE(bitmap.LoadFromFile(path)) << "the file is gone";
    EXPECT_EQ(bitmap.GetWidth(), 0);
}

TEST(BitmapLoad, LoadFromBytesLoadsWhatItCanAndNeverLeavesTheTemporaryFile) {
    const ColourAt colour = [](int32_t x, int32_t y) { return RGB(x * 60, y * 80, 7); };
    const ByteString good = fixtures::MakeBmp24(4, 3, colour);
    const ByteString indexed = fixtures::MakeBmp8(3, 2, {RGB(255, 0, 0), RGB(0, 0, 255)}, {0, 1, 1, 1, 0, 0});
    const ColourAt indexedColour = [](int32_t x, int32_t y) {
        return (x + y * 3 == 0 || x + y * 3 >= 4) ? RGB(255, 0, 0) : RGB(0, 0, 255);
    };
    const struct {
        const char* name;
        ByteString bytes;
        bool loads;
        int32_t width, height;
        ColourAt colour;
    } cases[] = {
        {"4 x 3 24-bit", good, true, 4, 3, colour},
        {"3 x 2 8-bit with two colours", indexed, true, 3, 2, indexedColour},
        {"no bytes", {}, false, 0, 0, nullptr},
        {"text", {'h', 'e', 'l', 'l', 'o'}, false, 0, 0, nullptr},
        {"JPEG", fixtures::TinyJpeg(), false, 0, 0, nullptr},
    };
    const std::string temporary = fixtures::TemporaryLoadFile();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.Create(1, 1, 24));
        EXPECT_EQ(bitmap.LoadFromBytes(c.bytes), c.loads);
        EXPECT_EQ(bitmap.GetWidth(), c.width);
        EXPECT_EQ(bitmap.GetHeight(), c.height);
        if (c.loads) {
            EXPECT_EQ(CountWrongPixels(bitmap, c.width, c.height, c.colour), 0);
        }
        EXPECT_FALSE(fixtures::FileExists(temporary)) << temporary;
    }
}

TEST(BitmapLoad, LoadFromBytesInTwoProcessesAtOnceGivesEachItsOwnPicture) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    const std::string base = "Local\\QuillmereBitmapTest-" + std::to_string(GetCurrentProcessId());
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, (base + "-ready").c_str());
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, (base + "-go").c_str());
    ASSERT_NE(ready, nullptr);
    ASSERT_NE(go, nullptr);
    std::string command = std::string("\"") + self + "\" " + fixtures::kLoadFromBytesChildFlag + " " + base;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    const bool childReady = WaitForSingleObject(ready, 20000) == WAIT_OBJECT_0;
    SetEvent(go);
    const int parentFailures = childReady ? LoadRepeatedly(kLoadsPerProcess, 4, 3, ParentColour) : -1;
    const DWORD waited = WaitForSingleObject(process.hProcess, 60000);
    if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 999);
    DWORD childExit = 0;
    GetExitCodeProcess(process.hProcess, &childExit);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(go);
    CloseHandle(ready);
    ASSERT_TRUE(childReady) << "the child did not start";
    EXPECT_EQ(parentFailures, 0) << "loads in this process that gave another picture or failed";
    EXPECT_EQ(childExit, 0u) << "loads in the child that gave another picture or failed";
    EXPECT_FALSE(fixtures::FileExists(fixtures::TemporaryLoadFile()));
}

TEST(BitmapLoad, LoadFromHandleCopiesTheSourceAndLeavesItToTheCaller) {
    const struct {
        int32_t sourceDepth, requested, expected;
    } cases[] = {{24, 0, 24}, {32, 0, 32}, {24, 32, 32}, {32, 24, 24}, {24, 8, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sourceDepth << " bits requested " << c.requested);
        GdiObjectHandle source(fixtures::MakeRandomSection(5, 3, c.sourceDepth, 77));
        ASSERT_NE(source.Get(), nullptr);
        {
            新位图操作类 bitmap;
            ASSERT_TRUE(bitmap.LoadFromHandle(static_cast<HBITMAP>(source.Get()), c.requested));
            EXPECT_EQ(bitmap.GetWidth(), 5);
            EXPECT_EQ(bitmap.GetHeight(), 3);
            EXPECT_EQ(bitmap.GetBitDepth(), c.expected);
            if (c.expected >= c.sourceDepth && c.sourceDepth >= 24) {
                // No colour is lost: the source's own pixels, read through a DC of the test's.
                HDC dc = CreateCompatibleDC(nullptr);
                HGDIOBJ previous = SelectObject(dc, source.Get());
                for (int32_t y = 0; y < 3; ++y) {
                    for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(bitmap.GetPixel(x, y), ::GetPixel(dc, x, y));
                }
                SelectObject(dc, previous);
                DeleteDC(dc);
            }
        }
        EXPECT_EQ(GetObjectType(source.Get()), static_cast<DWORD>(OBJ_BITMAP)) << "the source is still alive";
    }
}

TEST(BitmapLoad, LoadFromHandleRefusesWhatItCannotCopy) {
    GdiObjectHandle brush(CreateSolidBrush(RGB(1, 2, 3)));
    GdiObjectHandle section(fixtures::MakeRandomSection(3, 3, 24, 5));
    HDC holder = CreateCompatibleDC(nullptr);
    GdiObjectHandle held(fixtures::MakeRandomSection(3, 3, 24, 6));
    HGDIOBJ previous = SelectObject(holder, held.Get());
    const struct {
        const char* name;
        HGDIOBJ handle;
        int32_t bitDepth;
    } cases[] = {
        {"no handle", nullptr, 0},
        {"a brush", brush.Get(), 0},
        {"a depth no header takes", section.Get(), 15},
        {"a bitmap selected into another DC", held.Get(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.Create(2, 2, 24));
        EXPECT_FALSE(bitmap.LoadFromHandle(static_cast<HBITMAP>(c.handle), c.bitDepth));
        EXPECT_EQ(bitmap.GetWidth(), 0);
        EXPECT_EQ(bitmap.ToBmpBytes().size(), 14u);
    }
    SelectObject(holder, previous);
    DeleteDC(holder);
}

std::string WithBackslash(const char* folder) {
    std::string path(folder);
    if (path.empty()) return path;
    return path.back() == '\\' ? path : path + '\\';
}

std::string ShellFolder(int csidl) {
    char buffer[MAX_PATH] = {};
    return SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE) ? WithBackslash(buffer) : std::string();
}

TEST(BitmapLoad, GetSpecialFolderMapsEverySelector) {
    char windows[MAX_PATH] = {}, system[MAX_PATH] = {}, temporary[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    GetTempPathA(MAX_PATH, temporary);
    const struct {
        int32_t selector;
        std::string expected;
    } cases[] = {
        {0, ShellFolder(CSIDL_DESKTOPDIRECTORY)}, {1, ShellFolder(CSIDL_PERSONAL)},
        {2, ShellFolder(CSIDL_FAVORITES)},         {3, ShellFolder(CSIDL_DESKTOPDIRECTORY)},
        {4, ShellFolder(CSIDL_FONTS)},             {5, ShellFolder(CSIDL_STARTMENU)},
        {6, ShellFolder(CSIDL_PROGRAMS)},          {7, ShellFolder(CSIDL_STARTUP)},
        {8, ShellFolder(CSIDL_APPDATA)},           {9, WithBackslash(windows)},
        {10, WithBackslash(system)},               {11, WithBackslash(temporary)},
        {12, ShellFolder(CSIDL_INTERNET_CACHE)},   {13, ""},
        {-1, ""},                                  {99, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetSpecialFolder(c.selector), c.expected) << "selector " << c.selector;
    }
    EXPECT_FALSE(GetSpecialFolder(11).empty()) << "the temporary folder must be known";
    EXPECT_NE(GetSpecialFolder(4), GetSpecialFolder(9)) << "fonts and Windows are different folders";
}

TEST(BitmapLoad, LoadFromBytesThatCannotWriteItsFileNeverLoadsWhatWasThere) {
    // Another picture sits in the file, open for reading only: the write fails, the read would not.
    const std::string temporary = fixtures::TemporaryLoadFile();
    const ColourAt stale = [](int32_t, int32_t) { return RGB(1, 2, 3); };
    ASSERT_TRUE(fixtures::WriteFileBytes(temporary, fixtures::MakeBmp24(3, 3, stale)));
    HANDLE reader = CreateFileA(temporary.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    新位图操作类 bitmap;
    const bool loaded = bitmap.LoadFromBytes(fixtures::MakeBmp24(2, 2, [](int32_t, int32_t) { return RGB(9, 9, 9); }));
    CloseHandle(reader);
    DeleteFileA(temporary.c_str());
    EXPECT_FALSE(loaded);
    EXPECT_EQ(bitmap.GetWidth(), 0) << "the stale 3 x 3 picture must not be taken for the new one";
}

// Sets an environment variable for one scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        char old[32768];
        const DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
        hadValue_ = length > 0 && length < sizeof old;
        if (hadValue_) old_ = old;
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableA(name_, hadValue_ ? old_.c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    bool hadValue_ = false;
    std::string old_;
};

TEST(BitmapLoad, WithoutATemporaryFolderTheFileGoesToTheCurrentDirectoryAndIsDeleted) {
    // A temporary path longer than the buffer: Wine's GetTempPathA fails, Windows' answers with
    // the length it needs and leaves the buffer unfilled; neither is a folder.
    char temporary[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temporary), 0u);
    char previousDirectory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previousDirectory);
    ASSERT_TRUE(SetCurrentDirectoryA(temporary));
    {
        const std::string tooLong = std::string(temporary) + std::string(300, 'x');
        ScopedVariable tmp("TMP", tooLong), temp("TEMP", tooLong), profile("USERPROFILE", tooLong);
        EXPECT_EQ(GetSpecialFolder(11), "");
        const ColourAt colour = [](int32_t x, int32_t y) { return RGB(x, y, 1); };
        新位图操作类 bitmap;
        EXPECT_TRUE(bitmap.LoadFromBytes(fixtures::MakeBmp24(2, 2, colour)));
        EXPECT_EQ(CountWrongPixels(bitmap, 2, 2, colour), 0);
        EXPECT_FALSE(fixtures::FileExists("新位图操作类_载入位图.bmp"));
    }
    SetCurrentDirectoryA(previousDirectory);
    EXPECT_NE(GetSpecialFolder(11), "");
}

}  // namespace

namespace fixtures {

int RunLoadFromBytesChild(int argc, char** argv) {
    if (argc < 3) return 100;
    const std::string base = argv[2];
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (base + "-ready").c_str());
    HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, (base + "-go").c_str());
    if (ready == nullptr || go == nullptr) return 101;
    SetEvent(ready);
    const bool started = WaitForSingleObject(go, 20000) == WAIT_OBJECT_0;
    CloseHandle(ready);
    CloseHandle(go);
    if (!started) return 102;
    return LoadRepeatedly(kLoadsPerProcess, 5, 2, ChildColour);
}

}  // namespace fixtures
