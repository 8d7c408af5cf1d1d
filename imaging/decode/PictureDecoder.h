// Decoding of the picture files the program meets: BMP, JPEG, PNG, ICO, CUR, GIF and PCX.
//
// Every entry point takes the whole file in memory and never trusts it: sizes are checked in
// 64 bits before anything is allocated, a decoder stops at its first error, and no exception
// leaves this module. Pure C++; no Windows API.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace imaging {

// Formats in the order their leading bytes are tested.
enum class PictureFormat { Unknown, Bmp, Jpeg, Png, Ico, Cur, Gif, Pcx };

enum class DecodeStatus {
  Ok,
  NotAPicture,  // no known signature (or fewer than the 8 bytes the signatures need)
  Truncated,    // the data ends before the picture does
  Corrupt,      // the data contradicts the format
  TooLarge,     // beyond DecodeLimits, or memory could not be had
  Unsupported,  // a valid variant this module does not decode (12-bit JPEG, BMP with embedded JPEG...)
};

struct DecodeLimits {
  // A full decode refuses pictures with more pixels than this: 2^28 pixels (about 268
  // megapixels) is an output of exactly 1 GiB.
  uint64_t maxPixels = uint64_t{1} << 28;
  // Either side longer than this is refused by the check as well, which bounds its rows.
  uint32_t maxSide = 1'000'000;
  // Working memory a library decoder may take besides the output (a progressive JPEG's
  // coefficients).
  uint64_t maxWorkMemory = uint64_t{2} << 30;
  // The check refuses pictures with more pixels than this (TooLarge: no picture) before it
  // reads any row, so that no single file holds a verification run for long: 2^30 pixels
  // (about 1074 megapixels, four times the full decode's cap) take at most a few seconds to
  // check (natively about 3 s as a 16-bit RGBA PNG, the heaviest kind, 1.5 s as a JPEG).
  // It should not be below maxPixels, or the check would refuse what a full decode shows.
  uint64_t maxCheckedPixels = uint64_t{1} << 30;
  // A JPEG decodes each 8 x 8 block of a scan's components once per scan, so a progressive
  // file's work grows with scans x blocks while its size need not. The blocks of all its scans
  // together may be at most this many (TooLarge beyond): 2^28 is some 4 s of work natively and
  // at least eight times what a 150-megapixel camera picture in the usual ten scans needs.
  uint64_t maxScanBlocks = uint64_t{1} << 28;
};

// 32-bit pixels in the order blue, green, red, alpha; rows top-down, no padding.
struct DecodedPicture {
  DecodeStatus status = DecodeStatus::NotAPicture;
  PictureFormat format = PictureFormat::Unknown;
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> bgra;  // width * height * 4 bytes when status is Ok, else empty
};

// Needs 8 leading bytes; fewer give Unknown.
PictureFormat DetectPictureFormat(const uint8_t* data, size_t size);

// Memory for the picture is taken as its rows arrive and each row is cleared only when reached,
// so a file whose data ends early costs what it decoded, not the size its header claims.
DecodedPicture DecodePicture(const uint8_t* data, size_t size, const DecodeLimits& limits = {});

// The rows of a picture that a caller picked, decoded exactly as DecodePicture decodes them.
struct PickedRows {
  DecodeStatus status = DecodeStatus::NotAPicture;
  PictureFormat format = PictureFormat::Unknown;
  uint32_t width = 0;   // the picture's
  uint32_t height = 0;  // the picture's, not the count of rows kept
  std::vector<uint32_t> rows;  // the rows kept, ascending
  std::vector<uint8_t> bgra;   // those rows in that order, width * 4 bytes each, when Ok
};
// Given the picture's size, the rows to keep: ascending, each below the height, no repeats.
using RowPicker = std::function<std::vector<uint32_t>(uint32_t width, uint32_t height)>;

// Decodes every row exactly as DecodePicture does (same limits, same statuses) but keeps only the
// rows `pick` chooses once the size is known; the others pass through a few scratch rows. For a
// resample that needs some rows of a large picture: its memory is those rows, not the picture.
PickedRows DecodePickedRows(const uint8_t* data, size_t size, const RowPicker& pick,
                            const DecodeLimits& limits = {});

// Decodes every row exactly as DecodePicture does but keeps only a few rows at a time, so its
// memory does not grow with the picture (beyond what a format itself holds, such as a
// progressive JPEG's coefficients). maxCheckedPixels applies here instead of maxPixels.
DecodeStatus CheckPictureDecodes(const uint8_t* data, size_t size, const DecodeLimits& limits = {});

const char* DecodeStatusName(DecodeStatus status);

}  // namespace imaging
