#include "imaging/decode/PictureDecoder.h"

#include "imaging/decode/DecoderParts.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace imaging {
namespace {

using detail::ByteView;
using detail::RowOrder;
using detail::RowSink;

DecodeStatus CheckSize(uint32_t width, uint32_t height, const DecodeLimits& limits) {
  if (width == 0 || height == 0) return DecodeStatus::Corrupt;
  if (width > limits.maxSide || height > limits.maxSide) return DecodeStatus::TooLarge;
  return DecodeStatus::Ok;
}

// Holds the whole picture, but takes memory only as rows are reached and zeroes each stretch
// just before it is written, so a file that ends early, or claims a size its data never fills,
// costs what it decoded rather than what it claimed.
class PictureSink final : public RowSink {
 public:
  explicit PictureSink(const DecodeLimits& limits) : limits_(limits) {}

  DecodeStatus Start(uint32_t width, uint32_t height, RowOrder order) override {
    const DecodeStatus sized = CheckSize(width, height, limits_);
    if (sized != DecodeStatus::Ok) return sized;
    const uint64_t pixels = uint64_t{width} * height;
    // Past max_size the vector would throw length_error rather than bad_alloc.
    if (pixels > limits_.maxPixels || pixels > bgra_.max_size() / 4) return DecodeStatus::TooLarge;
    stride_ = size_t{width} * 4;
    width_ = width;
    height_ = height;
    order_ = order;
    return DecodeStatus::Ok;
  }
  uint8_t* Row(uint32_t y) override {
    // Rows are stored in the order they come and turned the right way up by Finish.
    const uint32_t stored = order_ == RowOrder::BottomUp ? height_ - 1 - y : y;
    if (stored >= rowsReady_ && !Reach(stored + 1)) return nullptr;
    return bgra_.data() + stride_ * stored;
  }
  const DecodeLimits& Limits() const override { return limits_; }
  bool KeepsPixels() const override { return true; }

  // After a successful decode: rows never reached stay transparent.
  DecodeStatus Finish() {
    if (height_ == 0) return DecodeStatus::Corrupt;  // a decoder that never started
    if (!Reach(height_)) return DecodeStatus::TooLarge;
    if (order_ == RowOrder::BottomUp) {
      for (uint32_t top = 0, bottom = height_ - 1; top < bottom; ++top, --bottom) {
        uint8_t* a = bgra_.data() + stride_ * top;
        std::swap_ranges(a, a + stride_, bgra_.data() + stride_ * bottom);
      }
    }
    return DecodeStatus::Ok;
  }
  void MoveInto(DecodedPicture& picture) {
    picture.width = width_;
    picture.height = height_;
    picture.bgra = std::move(bgra_);
  }

 private:
  // The whole picture is reserved at once, which takes address space but touches no page;
  // growing within it never moves the rows already handed out.
  bool Reach(uint32_t rows) {
    if (rows <= rowsReady_) return true;
    try {
      if (bgra_.capacity() == 0) bgra_.reserve(stride_ * height_);
      bgra_.resize(stride_ * rows);
    } catch (const std::bad_alloc&) {
      return false;
    }
    rowsReady_ = rows;
    return true;
  }

  const DecodeLimits& limits_;
  std::vector<uint8_t> bgra_;
  size_t stride_ = 0;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  uint32_t rowsReady_ = 0;
  RowOrder order_ = RowOrder::TopDown;
};

// Enough scratch rows for any decoder that writes several rows per step (libjpeg's merged
// upsampling writes two).
constexpr uint32_t kScratchRows = 4;

class CheckSink final : public RowSink {
 public:
  explicit CheckSink(const DecodeLimits& limits) : limits_(limits) {}

  DecodeStatus Start(uint32_t width, uint32_t height, RowOrder) override {
    const DecodeStatus sized = CheckSize(width, height, limits_);
    if (sized != DecodeStatus::Ok) return sized;
    if (uint64_t{width} * height > limits_.maxCheckedPixels) return DecodeStatus::TooLarge;
    stride_ = size_t{width} * 4;
    try {
      rows_.assign(stride_ * kScratchRows, 0);
    } catch (const std::bad_alloc&) {
      return DecodeStatus::TooLarge;
    }
    return DecodeStatus::Ok;
  }
  uint8_t* Row(uint32_t y) override { return rows_.data() + stride_ * (y % kScratchRows); }
  const DecodeLimits& Limits() const override { return limits_; }
  bool KeepsPixels() const override { return false; }

 private:
  const DecodeLimits& limits_;
  std::vector<uint8_t> rows_;
  size_t stride_ = 0;
};

// Keeps the picked rows, each cleared before the decoder reaches it as a full decode's are, and
// sends every other row to scratch rows: decoders only write rows, so what lands there is lost
// without touching what is kept.
class PickedSink final : public RowSink {
 public:
  PickedSink(const DecodeLimits& limits, const RowPicker& pick) : limits_(limits), pick_(pick) {}

  DecodeStatus Start(uint32_t width, uint32_t height, RowOrder) override {
    const DecodeStatus sized = CheckSize(width, height, limits_);
    if (sized != DecodeStatus::Ok) return sized;
    // Refused where a full decode refuses, so both give a picture or neither does.
    if (uint64_t{width} * height > limits_.maxPixels) return DecodeStatus::TooLarge;
    stride_ = size_t{width} * 4;
    width_ = width;
    height_ = height;
    try {
      rows_ = pick_(width, height);
      for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i] >= height || (i > 0 && rows_[i] <= rows_[i - 1])) return DecodeStatus::Corrupt;
      }
      slotOf_.assign(height, kScratch);
      for (size_t i = 0; i < rows_.size(); ++i) slotOf_[rows_[i]] = static_cast<uint32_t>(i);
      kept_.assign(stride_ * rows_.size(), 0);
      scratch_.assign(stride_ * kScratchRows, 0);
    } catch (const std::exception&) {
      return DecodeStatus::TooLarge;
    }
    return DecodeStatus::Ok;
  }
  uint8_t* Row(uint32_t y) override {
    if (y >= height_) return nullptr;
    const uint32_t slot = slotOf_[y];
    if (slot == kScratch) return scratch_.data() + stride_ * (y % kScratchRows);
    return kept_.data() + stride_ * slot;
  }
  const DecodeLimits& Limits() const override { return limits_; }
  bool KeepsPixels() const override { return true; }

  bool Started() const { return height_ != 0; }
  void MoveInto(PickedRows& picked) {
    picked.width = width_;
    picked.height = height_;
    picked.rows = std::move(rows_);
    picked.bgra = std::move(kept_);
  }

 private:
  static constexpr uint32_t kScratch = UINT32_MAX;
  const DecodeLimits& limits_;
  const RowPicker& pick_;
  std::vector<uint32_t> rows_;
  std::vector<uint32_t> slotOf_;
  std::vector<uint8_t> kept_;
  std::vector<uint8_t> scratch_;
  size_t stride_ = 0;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
};

DecodeStatus DecodeFormat(PictureFormat format, ByteView file, RowSink& sink) {
  switch (format) {
    case PictureFormat::Bmp: return detail::DecodeBmp(file, sink);
    case PictureFormat::Jpeg: return detail::DecodeJpeg(file, sink);
    case PictureFormat::Png: return detail::DecodePng(file, sink);
    case PictureFormat::Ico:
    case PictureFormat::Cur: return detail::DecodeIcon(file, sink);
    case PictureFormat::Gif: return detail::DecodeGif(file, sink);
    case PictureFormat::Pcx: return detail::DecodePcx(file, sink);
    case PictureFormat::Unknown: break;
  }
  return DecodeStatus::NotAPicture;
}

}  // namespace

PictureFormat DetectPictureFormat(const uint8_t* d, size_t size) {
  if (d == nullptr || size < 8) return PictureFormat::Unknown;
  const unsigned count = d[4] | d[5] << 8;
  if (d[0] == 0x42 && d[1] == 0x4D) return PictureFormat::Bmp;
  if (d[0] == 0xFF && d[1] == 0xD8) return PictureFormat::Jpeg;
  if (d[0] == 0x89 && d[1] == 0x50 && d[2] == 0x4E && d[3] == 0x47) return PictureFormat::Png;
  if (d[0] == 0 && d[1] == 0 && d[2] == 1 && d[3] == 0 && count > 0) return PictureFormat::Ico;
  if (d[0] == 0 && d[1] == 0 && d[2] == 2 && d[3] == 0 && count > 0) return PictureFormat::Cur;
  if (std::memcmp(d, "GIF8", 4) == 0 && (d[4] == '7' || d[4] == '9') && d[5] == 'a')
    return PictureFormat::Gif;
  if (d[0] == 0x0A && d[1] <= 5 && d[2] == 1 && d[3] == 8) return PictureFormat::Pcx;
  if (d[0] == 0x0A && d[1] == 3 && d[2] == 1 && d[3] == 1) return PictureFormat::Pcx;
  return PictureFormat::Unknown;
}

DecodedPicture DecodePicture(const uint8_t* data, size_t size, const DecodeLimits& limits) {
  DecodedPicture picture;
  picture.format = DetectPictureFormat(data, size);
  PictureSink sink(limits);
  picture.status = DecodeFormat(picture.format, ByteView{data, size}, sink);
  if (picture.status == DecodeStatus::Ok) picture.status = sink.Finish();
  if (picture.status == DecodeStatus::Ok) sink.MoveInto(picture);
  return picture;
}

PickedRows DecodePickedRows(const uint8_t* data, size_t size, const RowPicker& pick, const DecodeLimits& limits) {
  PickedRows picked;
  picked.format = DetectPictureFormat(data, size);
  PickedSink sink(limits, pick);
  picked.status = DecodeFormat(picked.format, ByteView{data, size}, sink);
  if (picked.status == DecodeStatus::Ok && !sink.Started()) picked.status = DecodeStatus::Corrupt;
  if (picked.status == DecodeStatus::Ok) sink.MoveInto(picked);
  return picked;
}

DecodeStatus CheckPictureDecodes(const uint8_t* data, size_t size, const DecodeLimits& limits) {
  CheckSink sink(limits);
  return DecodeFormat(DetectPictureFormat(data, size), ByteView{data, size}, sink);
}

const char* DecodeStatusName(DecodeStatus status) {
  switch (status) {
    case DecodeStatus::Ok: return "Ok";
    case DecodeStatus::NotAPicture: return "NotAPicture";
    case DecodeStatus::Truncated: return "Truncated";
    case DecodeStatus::Corrupt: return "Corrupt";
    case DecodeStatus::TooLarge: return "TooLarge";
    case DecodeStatus::Unsupported: return "Unsupported";
  }
  return "?";
}

}  // namespace imaging
