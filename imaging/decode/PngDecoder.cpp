// PNG through libpng: every colour type and depth, Adam7, tRNS, 16 bits (scaled to 8).
//
// Interlaced pictures are read pass by pass without libpng's de-interlacing, which would need
// the whole picture: each pass row is placed into its own rows here, so a check holds one row.
// libpng reports errors by longjmp into Run; the png structures and the row belong to the
// reader object, so the jump leaks nothing. Truncation is recognised in the read callback.
// libpng's warnings (ancillary chunks with bad CRCs, benign errors) are accepted; ancillary
// chunks other than tRNS are not even parsed, since nothing here uses them.
#include "imaging/decode/DecoderParts.h"

#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>

#include <png.h>

namespace imaging::detail {
namespace {

constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;

class PngReader {
 public:
  explicit PngReader(ByteView file) : file_(file) {}
  ~PngReader() {
    if (png_ != nullptr) png_destroy_read_struct(&png_, info_ != nullptr ? &info_ : nullptr, nullptr);
  }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  DecodeStatus Run(RowSink& sink) {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, &PngReader::OnError,
                                  &PngReader::OnWarning);
    if (png_ == nullptr) return DecodeStatus::TooLarge;
    info_ = png_create_info_struct(png_);
    if (info_ == nullptr) return DecodeStatus::TooLarge;
    if (setjmp(png_jmpbuf(png_)) != 0) return truncated_ ? DecodeStatus::Truncated : DecodeStatus::Corrupt;

    png_set_read_fn(png_, this, &PngReader::OnRead);
    // Sizes are judged by the sink, against the caller's limits.
    png_set_user_limits(png_, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_chunk_malloc_max(png_, kMaxChunkBytes);
    png_set_benign_errors(png_, 1);
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png_, info_);

    const uint32_t width = png_get_image_width(png_, info_);
    const uint32_t height = png_get_image_height(png_, info_);
    const int colourType = png_get_color_type(png_, info_);
    const int bitDepth = png_get_bit_depth(png_, info_);
    const bool interlaced = png_get_interlace_type(png_, info_) != PNG_INTERLACE_NONE;
    const DecodeStatus started = sink.Start(width, height, RowOrder::TopDown);
    if (started != DecodeStatus::Ok) return started;

    const bool indexed = colourType == PNG_COLOR_TYPE_PALETTE;
    // Indices are checked against the palette; other samples need no look at all in a check.
    const bool convert = indexed || sink.KeepsPixels();
    if (indexed) {
      ReadPalette();
      png_set_packing(png_);
    } else if (convert) {
      png_set_expand(png_);
      if (bitDepth == 16) png_set_scale_16(png_);
      png_set_gray_to_rgb(png_);
      png_set_filler(png_, 0xFF, PNG_FILLER_AFTER);
      png_set_bgr(png_);
    }
    png_read_update_info(png_, info_);
    const size_t pixelBytes = indexed ? 1 : 4;
    const size_t rowBytes = png_get_rowbytes(png_, info_);
    if (convert && rowBytes != width * pixelBytes) return DecodeStatus::Corrupt;
    row_.reset(new (std::nothrow) uint8_t[rowBytes]);
    if (!row_) return DecodeStatus::TooLarge;

    for (int pass = 0; pass < (interlaced ? 7 : 1); ++pass) {
      const uint32_t columns = interlaced ? PNG_PASS_COLS(width, pass) : width;
      const uint32_t rows = interlaced ? PNG_PASS_ROWS(height, pass) : height;
      if (columns == 0 || rows == 0) continue;  // libpng skips empty passes too
      const uint32_t x0 = interlaced ? PNG_PASS_START_COL(pass) : 0;
      const uint32_t dx = interlaced ? 1u << PNG_PASS_COL_SHIFT(pass) : 1;
      for (uint32_t r = 0; r < rows; ++r) {
        png_read_row(png_, row_.get(), nullptr);
        if (!convert) continue;
        const uint32_t y = interlaced ? PNG_ROW_FROM_PASS_ROW(r, pass) : r;
        uint8_t* dst = sink.Row(y);
        if (dst == nullptr) return DecodeStatus::TooLarge;
        for (uint32_t i = 0; i < columns; ++i) {
          uint8_t* px = dst + (size_t{x0} + size_t{i} * dx) * 4;
          if (indexed) {
            const unsigned index = row_[i];
            if (index >= paletteSize_) return DecodeStatus::Corrupt;
            std::memcpy(px, &palette_[index * 4], 4);
          } else {
            std::memcpy(px, &row_[size_t{i} * 4], 4);
          }
        }
      }
    }
    png_read_end(png_, nullptr);
    return DecodeStatus::Ok;
  }

 private:
  void ReadPalette() {
    png_colorp colours = nullptr;
    int count = 0;
    if (png_get_PLTE(png_, info_, &colours, &count) == 0 || count <= 0) count = 0;
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    png_color_16p ignored = nullptr;
    if (png_get_tRNS(png_, info_, &alpha, &alphaCount, &ignored) == 0) alphaCount = 0;
    for (int i = 0; i < count && i < 256; ++i)
      PutBgra(&palette_[i * 4], colours[i].blue, colours[i].green, colours[i].red,
              i < alphaCount ? alpha[i] : 0xFF);
    paletteSize_ = static_cast<unsigned>(count < 256 ? count : 256);
  }

  static PngReader* From(png_structp png) { return static_cast<PngReader*>(png_get_io_ptr(png)); }
  static void OnRead(png_structp png, png_bytep out, png_size_t length) {
    PngReader* reader = From(png);
    if (!reader->file_.Has(reader->at_, length)) {
      reader->truncated_ = true;
      png_error(png, "data ends early");
    }
    std::memcpy(out, reader->file_.data + reader->at_, length);
    reader->at_ += length;
  }
  static void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
  static void OnWarning(png_structp, png_const_charp) {}

  ByteView file_;
  size_t at_ = 0;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  std::unique_ptr<uint8_t[]> row_;
  uint8_t palette_[256 * 4] = {};
  unsigned paletteSize_ = 0;
  bool truncated_ = false;
};

}  // namespace

DecodeStatus DecodePng(ByteView file, RowSink& sink) {
  PngReader reader(file);
  return reader.Run(sink);
}

}  // namespace imaging::detail
