#pragma once
// A sprite's picture at its natural size with its mip levels, and the resampling that draws any
// window of it at any size straight from the source: the drawn picture is never made whole, so a
// 24-megapixel photo zoomed to 2000 thousandths costs what the view shows, not 384 MB.
//
// Pixels are blue, green, red, alpha bytes with the colours premultiplied by alpha, rows top-down.
// Level 0 is the decoded picture itself; each further level halves both sides (rounding up) by
// averaging 2 x 2 pixels, down to 1 x 1, together at most a third of level 0.
//
// Filter: a window shown smaller than the picture takes each output pixel as the area average of
// the pixels it covers, read from the largest level that is at most twice the output's size, so
// at most 3 x 3 level pixels meet in one output pixel and nothing aliases; an axis shown larger
// than the picture is sampled bilinearly. At its natural size every pixel is copied exactly.
// Any thread, one object per thread.
#include "imaging/decode/PictureDecoder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class SpritePicture {
public:
    SpritePicture() = default;
    // Takes the decoded pixels (no copy); a picture whose status is not Ok gives an empty one.
    explicit SpritePicture(imaging::DecodedPicture decoded);
    // Decodes a picture file's bytes with the program's decoders.
    static SpritePicture Decode(const std::string& bytes);

    SpritePicture(SpritePicture&&) = default;
    SpritePicture& operator=(SpritePicture&&) = default;
    SpritePicture(const SpritePicture&) = delete;
    SpritePicture& operator=(const SpritePicture&) = delete;

    bool Empty() const { return levels_.empty(); }
    int Width() const { return Empty() ? 0 : static_cast<int>(levels_[0].width); }
    int Height() const { return Empty() ? 0 : static_cast<int>(levels_[0].height); }
    // Whether every pixel has alpha 255, so drawing it replaces what lies below.
    bool Opaque() const { return opaque_; }
    int LevelCount() const { return static_cast<int>(levels_.size()); }
    // The bytes held: the picture and its levels.
    size_t MemoryBytes() const;

    // The picture scaled to scaledWidth x scaledHeight, each axis on its own: writes its window of
    // width x height pixels whose top-left pixel is (left, top) of the scaled picture into out
    // (rowStride bytes from one row to the next, which may be negative). The window must lie
    // inside the scaled picture; sizes must be positive.
    void ScaleWindow(int64_t scaledWidth, int64_t scaledHeight, int64_t left, int64_t top, int width, int height,
                     uint8_t* out, ptrdiff_t rowStride) const;

    // One premultiplied pixel of the picture scaled to scaledWidth x scaledHeight, sampled
    // bilinearly at a point of level-0 coordinates (pixel centres at .5); transparent outside.
    // For drawings that are not axis-aligned.
    uint32_t SampleAt(double x, double y, int level) const;
    // The level to sample from when the picture is shown at the given fraction of its size.
    int LevelForShrink(double shrink) const;

private:
    struct Level {
        uint32_t width = 0;
        uint32_t height = 0;
        std::vector<uint8_t> bgra;
    };
    void BuildLevels();

    std::vector<Level> levels_;
    bool opaque_ = true;
};
