// The decodability test on files as a user's folder holds them.
#include "verify/PictureLoads.h"

#include "../support/WindowTestSupport.h"

#include <windows.h>
#include <psapi.h>

#include <string>

namespace {
using testsupport::TempFolder;

std::string FixturePath(const std::string& name) {
    std::string path = QUILLMERE_FIXTURES + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

size_t PeakMemory() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

TEST(PictureLoads, TellsPicturesFromEverythingElse) {
    TempFolder folder("loads");
    struct Case {
        const char* what;
        std::string path;
        bool picture;
    };
    const Case cases[] = {
        {"a photo", FixturePath("verify-640x480.jpg"), true},
        {"a PNG", FixturePath("verify-500x500.png"), true},
        {"a TIFF", FixturePath("probe-4x6.tif"), false},
        {"seven bytes starting like a JPEG", folder.File("stub.jpg", std::string("\xFF\xD8\x01\x02\x03\x04\x05", 7)), false},
        {"text", folder.File("notes.txt", std::string(100, 'a')), false},
        {"a folder", folder.Folder("sub"), false},
        {"a missing file", folder.Path() + "\\none.jpg", false},
    };
    for (const Case& c : cases) EXPECT_EQ(PictureLoads(c.path), c.picture) << c.what;
}

TEST(PictureLoads, AHugeFileThatIsNoPictureCostsNeitherItsSizeInMemoryNorTime) {
    TempFolder folder("huge");
    const std::string path = folder.File("backup.bin", "not a picture at all");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = 1600LL << 20;
    ASSERT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file));
    CloseHandle(file);

    const size_t peakBefore = PeakMemory();
    const DWORD start = GetTickCount();
    EXPECT_FALSE(PictureLoads(path));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_LT(PeakMemory() - peakBefore, 64u << 20) << "the signature is read before the file";
}

}  // namespace
