#include "imaging/ImageProbe.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
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

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
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
        const std::string bytes = ReadAll(Fixture(p.file));
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

TEST(ImageProbe, CallsFromManyThreadsNeverOverlap) {
    const std::string png = ReadAll(Fixture("probe-7x5.png"));
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) wrong[t] += ProbeImageWidth(png) != 7 || ProbeImageHeight(png) != 5;
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
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
