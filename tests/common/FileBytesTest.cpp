// Whole-file reads and the safe writer.
#include "common/FileBytes.h"

#include "../support/WindowTestSupport.h"

#include <windows.h>
#include <psapi.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace {
using testsupport::TempFolder;

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

size_t PeakMemory() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

// A file of the given size whose data the file system never stores.
std::string SparseFile(const TempFolder& folder, const std::string& name, const std::string& head, LONGLONG size) {
    const std::string path = folder.File(name, head);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = size;
    EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file));
    CloseHandle(file);
    return path;
}

class SimulatedFullDisk {
public:
    explicit SimulatedFullDisk(size_t after) { SimulateFullDiskForTests(after); }
    ~SimulatedFullDisk() { SimulateFullDiskForTests(SIZE_MAX); }
};

TEST(WriteWholeFile, CreatesAndReplacesFilesWholeLeavingNothingElseBehind) {
    TempFolder folder("write");
    const std::string path = folder.Path() + "\\list.txt";
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {{"a new file", "first"}, {"replaced", std::string(3 << 20, 'x')}, {"emptied", ""},
                          {"bytes with zeros", std::string("a\0b\0", 4)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteWholeFile(path, c.bytes));
        EXPECT_EQ(ReadWholeFile(path), c.bytes);
        EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"list.txt"}) << "no temporary file is left";
    }
}

TEST(WriteWholeFile, AFailedWriteKeepsWhatStoodThere) {
    TempFolder folder("fail");
    const std::string path = folder.File("list.txt", "the earlier list");
    {
        // The disk fills up half way through the new content.
        SimulatedFullDisk full(1000);
        EXPECT_FALSE(WriteWholeFile(path, std::string(5000, 'n')));
    }
    EXPECT_EQ(ReadWholeFile(path), "the earlier list");
    EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"list.txt"});

    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(WriteWholeFile(path, "new")) << "a read-only file is not replaced";
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadWholeFile(path), "the earlier list");

    const std::string aFolder = folder.Folder("taken");
    EXPECT_FALSE(WriteWholeFile(aFolder, "new")) << "a folder of that name stays a folder";
    EXPECT_FALSE(WriteWholeFile(folder.Path() + "\\missing\\x.txt", "new"));
    EXPECT_EQ(FilesIn(folder.Path()).size(), 2u) << "only the list and the folder";
}

TEST(ReadWholeFile, MissingAndEmptyFilesReadAsNothing) {
    TempFolder folder("read");
    EXPECT_EQ(ReadWholeFile(folder.Path() + "\\none"), "");
    EXPECT_EQ(ReadWholeFile(folder.File("empty", "")), "");
    EXPECT_EQ(ReadWholeFile(folder.Path()), "") << "a folder";
}

TEST(ReadWholeFileIfHead, TakesMemoryForTheRestOnlyWhenTheHeadIsAccepted) {
    TempFolder folder("head");
    auto pictureHead = [](const std::string& head, unsigned long long) { return head.compare(0, 2, "BM") == 0; };
    struct Case {
        const char* what;
        std::string content;
        bool complete;
        std::string bytes;
    };
    const Case cases[] = {
        {"accepted", "BM and more", true, "BM and more"},
        {"refused", "XY and more", false, "XY and mo"},
        {"shorter than the head", "BM", false, "BM"},
        {"empty", "", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const HeadedRead read = ReadWholeFileIfHead(folder.File("f", c.content), 9, pictureHead);
        EXPECT_EQ(read.complete, c.complete);
        EXPECT_EQ(read.bytes, c.bytes);
    }
    EXPECT_FALSE(ReadWholeFileIfHead(folder.Path() + "\\none", 8, pictureHead).complete);

    // A huge file whose head is refused costs neither its size in memory nor the time to read it.
    const std::string huge = SparseFile(folder, "huge.bin", "XYZ", 1600LL << 20);
    const size_t peakBefore = PeakMemory();
    const DWORD start = GetTickCount();
    const HeadedRead read = ReadWholeFileIfHead(huge, 8, pictureHead);
    EXPECT_FALSE(read.complete);
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_LT(PeakMemory() - peakBefore, 64u << 20);
}

}  // namespace
