// GIF87a and GIF89a: the first frame, on a canvas the size of the logical screen (grown when
// the frame does not fit in it). Everything outside the frame is transparent. As common viewers
// do, a frame without any colour table is shown in grey levels, and an index past its table as
// transparent.
#include "imaging/decode/DecoderParts.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace imaging::detail {
namespace {

constexpr unsigned kMaxCodes = 4096;

// The bits of an image's data sub-blocks, least significant first.
class SubBlockBits {
 public:
  SubBlockBits(ByteView file, size_t at) : file_(file), at_(at) {}

  enum class Result { Ok, End, Truncated };

  Result Read(unsigned bits, unsigned& code) {
    while (count_ < bits) {
      if (left_ == 0) {
        if (!file_.Has(at_, 1)) return Result::Truncated;
        left_ = file_.U8(at_++);
        if (left_ == 0) return Result::End;
      }
      if (!file_.Has(at_, 1)) return Result::Truncated;
      buffer_ |= uint32_t{file_.U8(at_++)} << count_;
      count_ += 8;
      --left_;
    }
    code = buffer_ & ((1u << bits) - 1);
    buffer_ >>= bits;
    count_ -= bits;
    return Result::Ok;
  }

  // Skips the rest of the data up to and including its terminator.
  bool SkipToTerminator() {
    if (ended_) return true;
    for (;;) {
      at_ += left_;
      if (!file_.Has(at_, 1)) return false;
      left_ = file_.U8(at_++);
      if (left_ == 0) return true;
    }
  }
  void MarkEnded() { ended_ = true; }

 private:
  ByteView file_;
  size_t at_;
  size_t left_ = 0;
  uint32_t buffer_ = 0;
  unsigned count_ = 0;
  bool ended_ = false;
};

struct Frame {
  uint32_t left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  std::array<uint8_t, 256 * 4> colours{};  // transparent past the table
  unsigned colourCount = 0;
};

// Writes the frame's pixels in stream order, taking each row from the sink at its first pixel.
class FrameWriter {
 public:
  FrameWriter(const Frame& frame, RowSink& sink) : frame_(frame), sink_(sink) {}

  bool Done() const { return row_ >= frame_.height; }

  DecodeStatus Put(uint8_t index) {
    if (x_ == 0) {
      const uint32_t y = frame_.interlaced ? InterlacedRow(row_) : row_;
      dst_ = sink_.Row(frame_.top + y);
      if (dst_ == nullptr) return DecodeStatus::TooLarge;
      dst_ += size_t{frame_.left} * 4;
    }
    std::memcpy(dst_ + size_t{x_} * 4, &frame_.colours[index * 4], 4);
    if (++x_ == frame_.width) {
      x_ = 0;
      ++row_;
    }
    return DecodeStatus::Ok;
  }

 private:
  // Interlaced rows come in four passes: every 8th from 0, every 8th from 4, every 4th from 2,
  // every 2nd from 1.
  uint32_t InterlacedRow(uint32_t n) const {
    const uint32_t h = frame_.height;
    const uint32_t pass1 = (h + 7) / 8, pass2 = (h + 3) / 8, pass3 = (h + 1) / 4;
    if (n < pass1) return n * 8;
    n -= pass1;
    if (n < pass2) return 4 + n * 8;
    n -= pass2;
    if (n < pass3) return 2 + n * 4;
    n -= pass3;
    return 1 + n * 2;
  }
  const Frame& frame_;
  RowSink& sink_;
  uint32_t row_ = 0;
  uint32_t x_ = 0;
  uint8_t* dst_ = nullptr;
};

// LZW with variable code sizes up to 12 bits. A full table is legal: it stops growing until
// the next clear code.
DecodeStatus DecodeLzw(unsigned minCodeSize, SubBlockBits& bits, FrameWriter& out) {
  std::array<uint16_t, kMaxCodes> prefix{};
  std::array<uint8_t, kMaxCodes> suffix{};
  std::array<uint8_t, kMaxCodes> firstByte{};
  std::array<uint8_t, kMaxCodes> stack{};

  const unsigned clear = 1u << minCodeSize, endOfData = clear + 1;
  for (unsigned i = 0; i < clear; ++i) {
    suffix[i] = firstByte[i] = static_cast<uint8_t>(i);
  }
  unsigned codeSize = minCodeSize + 1, next = clear + 2;
  int previous = -1;

  while (!out.Done()) {
    unsigned code = 0;
    switch (bits.Read(codeSize, code)) {
      case SubBlockBits::Result::Ok: break;
      case SubBlockBits::Result::End: bits.MarkEnded(); return DecodeStatus::Corrupt;
      case SubBlockBits::Result::Truncated: return DecodeStatus::Truncated;
    }
    if (code == clear) {
      codeSize = minCodeSize + 1;
      next = clear + 2;
      previous = -1;
      continue;
    }
    if (code == endOfData) return DecodeStatus::Corrupt;  // before the frame is complete

    unsigned depth = 0;
    unsigned walk = code;
    if (previous < 0) {
      if (code > clear) return DecodeStatus::Corrupt;
      stack[depth++] = static_cast<uint8_t>(code);
    } else {
      if (code > next || (code == next && next == kMaxCodes)) return DecodeStatus::Corrupt;
      if (code == next) {
        // The code being defined: the previous string and its own first byte.
        stack[depth++] = firstByte[previous];
        walk = static_cast<unsigned>(previous);
      }
      while (walk >= clear) {
        stack[depth++] = suffix[walk];
        walk = prefix[walk];
      }
      stack[depth++] = static_cast<uint8_t>(walk);
      if (next < kMaxCodes) {
        prefix[next] = static_cast<uint16_t>(previous);
        suffix[next] = static_cast<uint8_t>(walk);
        firstByte[next] = firstByte[previous];
        ++next;
        if (next == (1u << codeSize) && codeSize < 12) ++codeSize;
      }
    }
    previous = static_cast<int>(code);
    while (depth > 0 && !out.Done()) {
      const DecodeStatus put = out.Put(stack[--depth]);
      if (put != DecodeStatus::Ok) return put;
    }
  }
  return DecodeStatus::Ok;
}

// A local table replaces the global one entirely.
void ReadColourTable(ByteView file, size_t at, unsigned count, Frame& frame) {
  frame.colours.fill(0);
  for (unsigned i = 0; i < count; ++i) {
    const uint8_t* rgb = file.data + at + i * 3;
    PutBgra(&frame.colours[i * 4], rgb[2], rgb[1], rgb[0], 0xFF);
  }
  frame.colourCount = count;
}

// The table a decoder may choose when the file has none: grey levels from black to white, one
// for each index the code size allows.
void DefaultColourTable(unsigned minCodeSize, Frame& frame) {
  const unsigned count = 1u << minCodeSize;
  for (unsigned i = 0; i < count; ++i) {
    const uint8_t grey = static_cast<uint8_t>(i * 255 / (count - 1));
    PutBgra(&frame.colours[i * 4], grey, grey, grey, 0xFF);
  }
  frame.colourCount = count;
}

}  // namespace

DecodeStatus DecodeGif(ByteView file, RowSink& sink) {
  if (!file.Has(0, 13)) return DecodeStatus::Truncated;
  const uint32_t screenWidth = file.U16(6), screenHeight = file.U16(8);
  const unsigned screenFlags = file.U8(10);
  size_t at = 13;

  Frame frame;
  if (screenFlags & 0x80) {
    const unsigned count = 2u << (screenFlags & 7);
    if (!file.Has(at, count * 3)) return DecodeStatus::Truncated;
    ReadColourTable(file, at, count, frame);
    at += count * 3;
  }

  int transparent = -1;
  for (;;) {
    if (!file.Has(at, 1)) return DecodeStatus::Truncated;
    const unsigned introducer = file.U8(at++);
    if (introducer == 0x2C) break;
    if (introducer == 0x3B) return DecodeStatus::Corrupt;  // no picture at all
    if (introducer != 0x21) return DecodeStatus::Corrupt;
    if (!file.Has(at, 1)) return DecodeStatus::Truncated;
    const unsigned label = file.U8(at++);
    bool first = true;
    for (;;) {
      if (!file.Has(at, 1)) return DecodeStatus::Truncated;
      const size_t length = file.U8(at++);
      if (length == 0) break;
      if (!file.Has(at, length)) return DecodeStatus::Truncated;
      // Graphic control: the transparent index applies to the next frame, the first one here.
      if (label == 0xF9 && first && length >= 4) transparent = file.U8(at) & 1 ? file.U8(at + 3) : -1;
      first = false;
      at += length;
    }
  }

  if (!file.Has(at, 9)) return DecodeStatus::Truncated;
  frame.left = file.U16(at);
  frame.top = file.U16(at + 2);
  frame.width = file.U16(at + 4);
  frame.height = file.U16(at + 6);
  const unsigned flags = file.U8(at + 8);
  frame.interlaced = (flags & 0x40) != 0;
  at += 9;
  if (flags & 0x80) {
    const unsigned count = 2u << (flags & 7);
    if (!file.Has(at, count * 3)) return DecodeStatus::Truncated;
    ReadColourTable(file, at, count, frame);
    at += count * 3;
  }
  if (frame.width == 0 || frame.height == 0) return DecodeStatus::Corrupt;

  if (!file.Has(at, 1)) return DecodeStatus::Truncated;
  const unsigned minCodeSize = file.U8(at++);
  if (minCodeSize < 2 || minCodeSize > 8) return DecodeStatus::Corrupt;
  if (frame.colourCount == 0) DefaultColourTable(minCodeSize, frame);
  if (transparent >= 0 && static_cast<unsigned>(transparent) < frame.colourCount)
    PutBgra(&frame.colours[transparent * 4], 0, 0, 0, 0);

  const uint32_t width = std::max(screenWidth, frame.left + frame.width);
  const uint32_t height = std::max(screenHeight, frame.top + frame.height);
  const DecodeStatus started = sink.Start(width, height, RowOrder::TopDown);
  if (started != DecodeStatus::Ok) return started;

  SubBlockBits bits(file, at);
  FrameWriter writer(frame, sink);
  const DecodeStatus decoded = DecodeLzw(minCodeSize, bits, writer);
  if (decoded != DecodeStatus::Ok) return decoded;
  return bits.SkipToTerminator() ? DecodeStatus::Ok : DecodeStatus::Truncated;
}

}  // namespace imaging::detail
