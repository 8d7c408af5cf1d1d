// BMP files and the DIBs inside icons: 1, 4, 8, 16, 24 and 32 bits; BI_RGB, BI_RLE4, BI_RLE8,
// BI_BITFIELDS; bottom-up and top-down rows; the OS/2 core header.
#include "imaging/decode/DecoderParts.h"

#include <array>
#include <cstring>

namespace imaging::detail {
namespace {

enum Compression : uint32_t {
  kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kJpeg = 4, kPng = 5, kAlphaBitfields = 6,
};

constexpr uint32_t kCoreHeaderSize = 12;
constexpr size_t kFileHeaderSize = 14;

// One channel of a BI_BITFIELDS pixel, widened to 8 bits.
struct Channel {
  uint32_t mask = 0;
  unsigned shift = 0;
  unsigned bits = 0;

  // Only contiguous masks make sense as a channel.
  bool Set(uint32_t m) {
    mask = m;
    shift = bits = 0;
    if (m == 0) return true;
    while (((m >> shift) & 1) == 0) ++shift;
    while (shift + bits < 32 && ((m >> (shift + bits)) & 1) != 0) ++bits;
    return (((uint64_t{1} << bits) - 1) << shift) == m;
  }
  uint8_t Get(uint32_t pixel, uint8_t absent) const {
    if (mask == 0) return absent;
    const uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
    return static_cast<uint8_t>(v * 255 / ((1u << bits) - 1));
  }
};

struct Dib {
  uint32_t width = 0;
  uint32_t height = 0;  // rows of the picture (an icon's DIB counts its AND mask in the header)
  bool bottomUp = true;
  unsigned bpp = 0;
  uint32_t compression = kRgb;
  std::array<uint8_t, 256 * 4> palette{};
  uint32_t paletteSize = 0;
  Channel red, green, blue, alpha;
  uint64_t stride = 0;
  size_t headerEnd = 0;  // offset after header, masks and palette, from the start of the DIB
};

// Parses the header, masks and palette of a DIB that starts at dib.data. Touches nothing
// outside dib and allocates nothing.
DecodeStatus ParseDib(ByteView dib, bool inIcon, Dib& out) {
  if (!dib.Has(0, 4)) return DecodeStatus::Truncated;
  const uint32_t headerSize = dib.U32(0);
  const bool core = headerSize == kCoreHeaderSize;
  if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 64 &&
      headerSize != 108 && headerSize != 124)
    return headerSize >= 12 && headerSize <= 124 ? DecodeStatus::Unsupported : DecodeStatus::Corrupt;
  if (!dib.Has(0, headerSize)) return DecodeStatus::Truncated;

  int64_t width, height;
  if (core) {
    width = dib.U16(4);
    height = dib.U16(6);
    out.bpp = dib.U16(10);
    out.compression = kRgb;
  } else {
    width = dib.I32(4);
    height = dib.I32(8);
    out.bpp = dib.U16(14);
    out.compression = dib.U32(16);
  }
  if (width <= 0 || height == 0) return DecodeStatus::Corrupt;
  out.bottomUp = height > 0;
  if (height < 0) height = -height;  // int64_t: INT32_MIN negates safely
  if (inIcon) {
    // The header's height covers the colour rows and the AND mask.
    if (!out.bottomUp || height % 2 != 0) return DecodeStatus::Corrupt;
    height /= 2;
  }
  if (width > UINT32_MAX || height > UINT32_MAX) return DecodeStatus::Corrupt;
  out.width = static_cast<uint32_t>(width);
  out.height = static_cast<uint32_t>(height);

  const uint32_t c = out.compression;
  const unsigned bpp = out.bpp;
  if (headerSize == 64 && (c == 3 || c == 4)) return DecodeStatus::Unsupported;  // OS/2 Huffman, RLE24
  if (c == kJpeg || c == kPng) return DecodeStatus::Unsupported;
  if (c == kRgb) {
    if (bpp == 2) return DecodeStatus::Unsupported;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
      return DecodeStatus::Corrupt;
    if (core && (bpp == 16 || bpp == 32)) return DecodeStatus::Corrupt;
  } else if (c == kRle8 || c == kRle4) {
    if (bpp != (c == kRle8 ? 8u : 4u)) return DecodeStatus::Corrupt;
    if (!out.bottomUp || inIcon) return DecodeStatus::Corrupt;
  } else if (c == kBitfields || c == kAlphaBitfields) {
    if (bpp != 16 && bpp != 32) return DecodeStatus::Corrupt;
  } else {
    return DecodeStatus::Unsupported;
  }

  size_t at = headerSize;
  if (c == kBitfields || c == kAlphaBitfields) {
    // A 40-byte header is followed by its masks; larger headers hold them.
    const size_t maskCount = c == kAlphaBitfields || headerSize >= 56 ? 4 : 3;
    if (!dib.Has(40, maskCount * 4)) return DecodeStatus::Truncated;
    const uint32_t limit = bpp == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    const uint32_t masks[4] = {dib.U32(40), dib.U32(44), dib.U32(48),
                               maskCount == 4 ? dib.U32(52) : 0};
    for (uint32_t m : masks)
      if (m > limit) return DecodeStatus::Corrupt;
    if (!out.red.Set(masks[0]) || !out.green.Set(masks[1]) || !out.blue.Set(masks[2]) ||
        !out.alpha.Set(masks[3]))
      return DecodeStatus::Corrupt;
    if (headerSize == 40) at += maskCount * 4;
  } else if (bpp == 16) {
    out.red.Set(0x7C00);
    out.green.Set(0x03E0);
    out.blue.Set(0x001F);
  }

  if (bpp <= 8) {
    const uint64_t used = core ? 0 : dib.U32(32);
    const uint64_t count = used != 0 ? used : uint64_t{1} << bpp;
    if (count > 256) return DecodeStatus::Corrupt;
    const size_t entry = core ? 3 : 4;
    if (!dib.Has(at, count * entry)) return DecodeStatus::Truncated;
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* e = dib.data + at + i * entry;
      PutBgra(&out.palette[i * 4], e[0], e[1], e[2], 0xFF);
    }
    out.paletteSize = static_cast<uint32_t>(count);
    at += count * entry;
  }
  out.headerEnd = at;
  out.stride = (uint64_t{out.width} * bpp + 31) / 32 * 4;
  return DecodeStatus::Ok;
}

// Converts one stored row of an uncompressed DIB. Fails on a palette index past the palette.
bool ConvertRow(const Dib& dib, const uint8_t* src, uint8_t* dst) {
  const uint32_t w = dib.width;
  switch (dib.bpp) {
    case 1:
    case 4:
    case 8: {
      const unsigned bpp = dib.bpp;
      const unsigned perByte = 8 / bpp;
      const unsigned mask = (1u << bpp) - 1;
      for (uint32_t x = 0; x < w; ++x) {
        const unsigned shift = 8 - bpp * (x % perByte + 1);
        const unsigned index = (src[x / perByte] >> shift) & mask;
        if (index >= dib.paletteSize) return false;
        std::memcpy(dst + size_t{x} * 4, &dib.palette[index * 4], 4);
      }
      return true;
    }
    case 16:
      for (uint32_t x = 0; x < w; ++x) {
        const uint32_t p = src[2 * x] | src[2 * x + 1] << 8;
        PutBgra(dst + size_t{x} * 4, dib.blue.Get(p, 0), dib.green.Get(p, 0), dib.red.Get(p, 0),
                dib.alpha.Get(p, 0xFF));
      }
      return true;
    case 24:
      for (uint32_t x = 0; x < w; ++x)
        PutBgra(dst + size_t{x} * 4, src[3 * x], src[3 * x + 1], src[3 * x + 2], 0xFF);
      return true;
    case 32:
      if (dib.compression == kRgb) {
        for (uint32_t x = 0; x < w; ++x)
          PutBgra(dst + size_t{x} * 4, src[4 * x], src[4 * x + 1], src[4 * x + 2], 0xFF);
      } else {
        for (uint32_t x = 0; x < w; ++x) {
          const uint8_t* s = src + size_t{x} * 4;
          const uint32_t p = s[0] | s[1] << 8 | s[2] << 16 | static_cast<uint32_t>(s[3]) << 24;
          PutBgra(dst + size_t{x} * 4, dib.blue.Get(p, 0), dib.green.Get(p, 0),
                  dib.red.Get(p, 0), dib.alpha.Get(p, 0xFF));
        }
      }
      return true;
  }
  return false;
}

// Bytes an uncompressed DIB needs: every row padded, except that the last row's padding may be
// missing.
uint64_t PixelBytesNeeded(const Dib& dib) {
  return dib.stride * (dib.height - 1) + (uint64_t{dib.width} * dib.bpp + 7) / 8;
}

DecodeStatus DecodeUncompressed(const Dib& dib, ByteView pixels, RowSink& sink) {
  if (!pixels.Has(0, PixelBytesNeeded(dib))) return DecodeStatus::Truncated;
  const DecodeStatus started = sink.Start(dib.width, dib.height, RowOrder::TopDown);
  if (started != DecodeStatus::Ok) return started;
  for (uint32_t y = 0; y < dib.height; ++y) {
    const uint32_t r = dib.bottomUp ? dib.height - 1 - y : y;  // stored row
    uint8_t* dst = sink.Row(y);
    if (dst == nullptr) return DecodeStatus::TooLarge;
    if (!ConvertRow(dib, pixels.data + dib.stride * r, dst)) return DecodeStatus::Corrupt;
  }
  return DecodeStatus::Ok;
}

// BI_RLE8 and BI_RLE4. Pixels the stream skips stay transparent. Some writers code every row to
// its padded width, so runs, literals and moves may reach into the row's padding, whose pixels
// are dropped; past the padded width, or below the last row, the stream is corrupt.
DecodeStatus DecodeRle(const Dib& dib, ByteView stream, RowSink& sink) {
  const DecodeStatus started = sink.Start(dib.width, dib.height, RowOrder::BottomUp);
  if (started != DecodeStatus::Ok) return started;
  const bool four = dib.compression == kRle4;
  const uint64_t paddedWidth = dib.stride * 8 / dib.bpp;
  uint64_t x = 0, r = 0;  // r counts rows from the bottom
  size_t at = 0;
  uint8_t* row = nullptr;  // row r once a pixel has been put into it
  uint64_t rowOf = UINT64_MAX;

  auto put = [&](unsigned index) {
    if (x >= dib.width) {  // padding
      ++x;
      return DecodeStatus::Ok;
    }
    if (index >= dib.paletteSize) return DecodeStatus::Corrupt;
    if (rowOf != r) {
      row = sink.Row(static_cast<uint32_t>(dib.height - 1 - r));
      if (row == nullptr) return DecodeStatus::TooLarge;
      rowOf = r;
    }
    std::memcpy(row + x * 4, &dib.palette[index * 4], 4);
    ++x;
    return DecodeStatus::Ok;
  };

  while (stream.Has(at, 2)) {
    const unsigned count = stream.U8(at), value = stream.U8(at + 1);
    at += 2;
    if (count > 0) {
      if (r >= dib.height || count > paddedWidth - x) return DecodeStatus::Corrupt;
      for (unsigned i = 0; i < count; ++i) {
        const unsigned index = four ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value;
        const DecodeStatus put1 = put(index);
        if (put1 != DecodeStatus::Ok) return put1;
      }
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++r;
        break;
      case 1:  // end of bitmap
        return DecodeStatus::Ok;
      case 2: {  // move right and up
        if (!stream.Has(at, 2)) return DecodeStatus::Truncated;
        x += stream.U8(at);
        r += stream.U8(at + 1);
        at += 2;
        if (x > paddedWidth || r > dib.height || (r == dib.height && x > 0))
          return DecodeStatus::Corrupt;
        break;
      }
      default: {  // literal pixels, padded to a 16-bit boundary
        const size_t bytes = four ? (value + 1) / 2 : value;
        if (r >= dib.height || value > paddedWidth - x) return DecodeStatus::Corrupt;
        if (!stream.Has(at, bytes)) return DecodeStatus::Truncated;
        for (unsigned i = 0; i < value; ++i) {
          const unsigned byte = stream.U8(at + (four ? i / 2 : i));
          const unsigned index = four ? (i % 2 == 0 ? byte >> 4 : byte & 0x0F) : byte;
          const DecodeStatus put1 = put(index);
          if (put1 != DecodeStatus::Ok) return put1;
        }
        at += bytes + bytes % 2;
        break;
      }
    }
  }
  // Some writers end with the last end of line instead of an end of bitmap.
  return r >= dib.height ? DecodeStatus::Ok : DecodeStatus::Truncated;
}

// An icon's colour rows with the alpha its AND mask gives, unless 32-bit rows carry their own.
DecodeStatus DecodeIconDib(const Dib& dib, ByteView pixels, RowSink& sink) {
  const uint64_t colourBytes = dib.stride * dib.height;
  const uint64_t maskStride = (uint64_t{dib.width} + 31) / 32 * 4;
  if (!pixels.Has(0, colourBytes)) return DecodeStatus::Truncated;
  const bool hasMask = pixels.Has(colourBytes, maskStride * dib.height);
  bool ownAlpha = false;
  if (dib.bpp == 32) {
    for (uint64_t i = 3; i < colourBytes && !ownAlpha; i += 4) ownAlpha = pixels.data[i] != 0;
  }
  if (!hasMask && !ownAlpha && dib.bpp != 32) return DecodeStatus::Truncated;

  const DecodeStatus started = sink.Start(dib.width, dib.height, RowOrder::TopDown);
  if (started != DecodeStatus::Ok) return started;
  for (uint32_t y = 0; y < dib.height; ++y) {
    const uint32_t r = dib.height - 1 - y;  // stored bottom row first
    const uint8_t* src = pixels.data + dib.stride * r;
    uint8_t* dst = sink.Row(y);
    if (dst == nullptr) return DecodeStatus::TooLarge;
    if (!ConvertRow(dib, src, dst)) return DecodeStatus::Corrupt;
    if (ownAlpha) {
      for (uint32_t x = 0; x < dib.width; ++x) dst[size_t{x} * 4 + 3] = src[size_t{x} * 4 + 3];
    } else if (hasMask) {
      const uint8_t* mask = pixels.data + colourBytes + maskStride * r;
      for (uint32_t x = 0; x < dib.width; ++x)
        dst[size_t{x} * 4 + 3] = (mask[x / 8] >> (7 - x % 8)) & 1 ? 0 : 0xFF;
    }
  }
  return DecodeStatus::Ok;
}

}  // namespace

DecodeStatus DecodeBmp(ByteView file, RowSink& sink) {
  if (!file.Has(0, kFileHeaderSize)) return DecodeStatus::Truncated;
  const ByteView dibView = file.Sub(kFileHeaderSize, file.size - kFileHeaderSize);
  Dib dib;
  const DecodeStatus parsed = ParseDib(dibView, false, dib);
  if (parsed != DecodeStatus::Ok) return parsed;
  const uint64_t offBits = file.U32(10);
  if (offBits < kFileHeaderSize + dibView.U32(0)) return DecodeStatus::Corrupt;
  if (offBits > file.size) return DecodeStatus::Truncated;
  const ByteView pixels = file.Sub(offBits, file.size - offBits);
  if (dib.compression == kRle8 || dib.compression == kRle4) return DecodeRle(dib, pixels, sink);
  return DecodeUncompressed(dib, pixels, sink);
}

DecodeStatus DecodeIconPicture(ByteView picture, RowSink& sink) {
  static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (picture.Has(0, 8) && std::memcmp(picture.data, kPngSignature, 8) == 0) return DecodePng(picture, sink);
  Dib dib;
  const DecodeStatus parsed = ParseDib(picture, true, dib);
  if (parsed != DecodeStatus::Ok) return parsed;
  return DecodeIconDib(dib, picture.Sub(dib.headerEnd, picture.size - dib.headerEnd), sink);
}

}  // namespace imaging::detail
