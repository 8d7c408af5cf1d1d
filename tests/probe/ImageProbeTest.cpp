#include "imaging/ImageProbe.h"

#include "common/FileBytes.h"

#include "imaging/GifColourTable.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::string Fixture(const std::string& name) {
    std::string path = QUILLMERE_FIXTURES + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

struct Picture {
    const char* file;
    int width, height;
};
const Picture kPictures[] = {
    {"probe-7x5.png", 7, 5}, {"probe-9x4.jpg", 9, 4}, {"probe-6x3.gif", 6, 3},
    {"probe-5x8.bmp", 5, 8}, {"probe-4x6.tif", 4, 6},
};

TEST(ImageProbe, MeasuresThePicturesContent) {
    for (const Picture& p : kPictures) {
        const std::string bytes = ReadWholeFile(Fixture(p.file));
        ASSERT_FALSE(bytes.empty()) << p.file;
        EXPECT_EQ(ProbeImageWidth(bytes), p.width) << p.file;
        EXPECT_EQ(ProbeImageHeight(bytes), p.height) << p.file;
        const ImageSize size = ProbeImageSize(bytes);
        EXPECT_EQ(size.width, p.width) << p.file;
        EXPECT_EQ(size.height, p.height) << p.file;
    }
}

TEST(ImageProbe, NothingMeasurableGivesZero) {
    std::string folder = Fixture("");
    folder.pop_back();
    const std::string cases[] = {
        std::string(),                                    // empty
        std::string("just some words\r\nof a text file"),  // text naming nothing
        folder,                                           // an existing folder
        std::string("\xFF\xD8\xFF\xE0", 4),               // the start of a JPEG and nothing more
    };
    for (const std::string& bytes : cases) {
        EXPECT_EQ(ProbeImageWidth(bytes), 0) << bytes;
        EXPECT_EQ(ProbeImageHeight(bytes), 0) << bytes;
        const ImageSize size = ProbeImageSize(bytes);
        EXPECT_EQ(size.width, 0) << bytes;
        EXPECT_EQ(size.height, 0) << bytes;
    }
}

// GDI+ under Wine reads past the end of the memory it is given for a JPEG whose first segment
// claims 64 KB; it must find nothing there to read, and the file measures as nothing.
TEST(ImageProbe, AShortJpegWithABogusSegmentLengthMeasuresAsNothingEveryTime) {
    const std::string bogus("\xFF\xD8\xFF\xE0\xFF\xFF" "JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20);
    ASSERT_EQ(bogus.size(), 20u);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(ProbeImageWidth(bogus), 0) << "probe " << i;
        ASSERT_EQ(ProbeImageHeight(bogus), 0) << "probe " << i;
    }
}

// GDI+ under Wine faults on a GIF with no colour table at all; given one, it measures the sides.
TEST(ImageProbe, AGifWithoutAnyColourTableIsMeasuredWithoutAFault) {
    const std::string path = Fixture("../fuzz/corpus/gif/no-colour-table.gif");
    const std::string gif89 = ReadWholeFile(path);
    ASSERT_TRUE(GifLacksGlobalColourTable(gif89));
    std::string gif87 = gif89;
    gif87[4] = '7';
    for (const std::string& bytes : {gif89, gif87, path}) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(ProbeImageWidth(bytes), 4) << bytes.substr(0, 6);
            EXPECT_EQ(ProbeImageHeight(bytes), 3) << bytes.substr(0, 6);
        }
    }
}

TEST(GifColourTable, OnlyAGifWithoutAGlobalTableIsGivenOne) {
    const std::string tableless = ReadWholeFile(Fixture("../fuzz/corpus/gif/no-colour-table.gif"));
    const std::string mended = WithGlobalColourTable(tableless);
    ASSERT_EQ(mended.size(), tableless.size() + 768);
    EXPECT_EQ(mended.substr(0, 10), tableless.substr(0, 10)) << "signature and sides";
    EXPECT_EQ(static_cast<unsigned char>(mended[10]), static_cast<unsigned char>(tableless[10]) | 0x87);
    EXPECT_EQ(mended.substr(11, 2), tableless.substr(11, 2));
    EXPECT_EQ(mended.substr(13 + 768), tableless.substr(13));
    EXPECT_FALSE(GifLacksGlobalColourTable(mended));

    const std::string untouched[] = {
        ReadWholeFile(Fixture("probe-6x3.gif")),  // has its table
        ReadWholeFile(Fixture("probe-7x5.png")),
        tableless.substr(0, 12),            // too short for the screen descriptor
        std::string("GIF88a") + tableless.substr(6),
        "",
    };
    for (const std::string& bytes : untouched) {
        EXPECT_FALSE(GifLacksGlobalColourTable(bytes)) << bytes.substr(0, 6);
        EXPECT_EQ(WithGlobalColourTable(bytes), bytes) << bytes.substr(0, 6);
    }
}

TEST(ImageProbe, TextNamingAPictureFileIsMeasuredAsThatFile) {
    // Whatever follows the first zero byte does not matter.
    std::string bytes = Fixture("probe-9x4.jpg");
    bytes += std::string("\0garbage\x89PNG", 12);
    EXPECT_EQ(ProbeImageWidth(bytes), 9);
    EXPECT_EQ(ProbeImageHeight(bytes), 4);
    EXPECT_EQ(ProbeImageSize(bytes).width, 9);
    EXPECT_EQ(ProbeImageSize(bytes).height, 4);
    // A text file whose content names a picture measures the picture.
    EXPECT_EQ(ProbeImageWidth(Fixture("probe-6x3.gif")), 6);
}

// Every kind of content a probe meets, measured once per dimension on one thread: what any
// number of threads probing at once must give, from the one load of ProbeImageSize too.
struct Content {
    std::string what, bytes;
};
std::vector<Content> MixedContents() {
    const std::string photo = ReadWholeFile(Fixture("verify-640x480.jpg"));
    const std::string png = ReadWholeFile(Fixture("verify-500x500.png"));
    std::vector<Content> contents = {
        {"photo", photo},
        {"png", png},
        {"truncated photo", photo.substr(0, photo.size() / 2)},
        {"truncated png", png.substr(0, png.size() / 3)},
        {"short jpeg with a bogus segment length",
         std::string("\xFF\xD8\xFF\xE0\xFF\xFF" "JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20)},
        {"text", "just some words"},
        {"empty", ""},
        {"text naming a picture", Fixture("probe-9x4.jpg")},
    };
    for (const Picture& p : kPictures) contents.push_back({p.file, ReadWholeFile(Fixture(p.file))});
    return contents;
}

TEST(ImageProbe, ThreadsProbingAtOnceGetWhatOneThreadGets) {
    const std::vector<Content> contents = MixedContents();
    std::vector<ImageSize> expected;
    for (const Content& c : contents) expected.push_back({ProbeImageWidth(c.bytes), ProbeImageHeight(c.bytes)});
    ASSERT_EQ(expected[0].width, 640);
    ASSERT_EQ(expected[1].height, 500);

    constexpr int kThreads = 6, kRounds = 20;
    const size_t n = contents.size();
    std::vector<std::vector<std::string>> wrong(kThreads);
    std::vector<std::thread> threads;
    TakePeakConcurrentLoadsForTests();
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                for (size_t i = 0; i < n; ++i) {
                    const size_t k = (i + static_cast<size_t>(t) * 3 + static_cast<size_t>(round)) % n;
                    const ImageSize size = ProbeImageSize(contents[k].bytes);
                    // Now and then the single probes too, loading beside the others' two-sided ones.
                    const bool single = (round + t) % 4 == 0;
                    const int width = single ? ProbeImageWidth(contents[k].bytes) : size.width;
                    const int height = single ? ProbeImageHeight(contents[k].bytes) : size.height;
                    if (size.width != expected[k].width || size.height != expected[k].height ||
                        width != expected[k].width || height != expected[k].height) {
                        wrong[t].push_back(contents[k].what + " in round " + std::to_string(round));
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_TRUE(wrong[t].empty()) << "thread " << t << " first wrong: " << (wrong[t].empty() ? "" : wrong[t][0]);
    }
    EXPECT_GE(TakePeakConcurrentLoadsForTests(), 2) << "the threads' loads never ran at the same time";
}

TEST(ImageProbe, WhileGdiplusCannotStartEveryProbeGivesZeroAndAfterwardsMeasuresAgain) {
    const std::string png = ReadWholeFile(Fixture("probe-7x5.png"));
    const std::string named = Fixture("probe-9x4.jpg");
    ASSERT_EQ(ProbeImageWidth(png), 7);  // started and kept

    SimulateGdiplusStartupFailureForTests(true);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ProbeImageWidth(png), 0);
        EXPECT_EQ(ProbeImageHeight(png), 0);
        EXPECT_EQ(ProbeImageSize(png).width, 0);
        EXPECT_EQ(ProbeImageSize(named).height, 0);
    }
    int fromThread = -1;
    std::thread([&] { fromThread = ProbeImageSize(png).height; }).join();
    EXPECT_EQ(fromThread, 0);

    SimulateGdiplusStartupFailureForTests(false);
    EXPECT_EQ(ProbeImageSize(png).width, 7);
    EXPECT_EQ(ProbeImageHeight(named), 4);
}

TEST(ImageProbe, AShutDownAtTheEndLeavesTheNextProbeToStartAgain) {
    const std::string png = ReadWholeFile(Fixture("probe-7x5.png"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ProbeImageSize(png).height, 5);
        ShutDownImageProbes();
        ShutDownImageProbes();  // a second one finds nothing to shut down
    }
    EXPECT_EQ(ProbeImageWidth(png), 7);
}

TEST(FileExists, FilesAndFoldersExistTheEmptyPathDoesNot) {
    std::string folder = Fixture("");
    struct Case {
        std::string path;
        bool exists;
    };
    const Case cases[] = {
        {Fixture("probe-7x5.png"), true},
        {folder, true},
        {folder.substr(0, folder.size() - 1), true},
        {Fixture("no-such-file.png"), false},
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(FileExists(c.path), c.exists) << c.path;
}

}  // namespace
