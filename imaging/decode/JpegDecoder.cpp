// JPEG through libjpeg(-turbo): baseline, progressive, arithmetic, greyscale, RGB, CMYK, YCCK.
//
// libjpeg reports errors by calling error_exit, which here longjmps back into Run. Run keeps
// nothing on its own stack that needs destroying; the decompressor and every row belong to
// objects outside it, so the jump leaks nothing. Recoverable damage (libjpeg's warnings, such
// as extraneous bytes before a marker or a bad Huffman code) is accepted as libjpeg repairs it,
// but data ending early is a failure of its own: the source refuses to invent an end marker.
// So is an inconsistent progression (a refinement before its first scan, AC coefficients before
// DC): libjpeg would decode it as noise, and such files exist to make a decoder work for nothing.
#include "imaging/decode/DecoderParts.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

namespace imaging::detail {
namespace {

// Each scan of a multi-scan file runs over every block of its components, so the work grows with
// scans x blocks: DecodeLimits::maxScanBlocks bounds that sum, and this the number of scans (a
// file of thousands of tiny scans would spend its time in their headers).
constexpr int kMaxScans = 500;

class JpegReader {
 public:
  explicit JpegReader(ByteView file) : file_(file) {
    cinfo_.err = jpeg_std_error(&errors_.manager);
    errors_.manager.error_exit = &JpegReader::OnError;
    errors_.manager.emit_message = &JpegReader::OnMessage;
    errors_.reader = this;
  }
  ~JpegReader() {
    if (created_) jpeg_destroy_decompress(&cinfo_);
  }
  JpegReader(const JpegReader&) = delete;
  JpegReader& operator=(const JpegReader&) = delete;

  DecodeStatus Run(RowSink& sink) {
    if (setjmp(jump_) != 0) return FailureStatus();
    created_ = true;  // destroying a half-created decompressor is safe
    jpeg_create_decompress(&cinfo_);
    cinfo_.mem->max_memory_to_use = static_cast<long>(
        sink.Limits().maxWorkMemory < LONG_MAX ? sink.Limits().maxWorkMemory : LONG_MAX);
    maxScanBlocks_ = sink.Limits().maxScanBlocks;
    progress_.manager.progress_monitor = &JpegReader::OnProgress;
    cinfo_.progress = &progress_.manager;

    source_.next_input_byte = file_.data;
    source_.bytes_in_buffer = file_.size;
    source_.init_source = [](j_decompress_ptr) {};
    source_.fill_input_buffer = &JpegReader::OnInputEnd;
    source_.skip_input_data = &JpegReader::OnSkip;
    source_.resync_to_restart = jpeg_resync_to_restart;
    source_.term_source = [](j_decompress_ptr) {};
    cinfo_.src = &source_;

    jpeg_read_header(&cinfo_, TRUE);
    // The first scan is known by now; refusing it here spares the coefficient buffer, which
    // libjpeg sets up before it looks at a scan's progression.
    if (cinfo_.progressive_mode && (cinfo_.Ss != 0 || cinfo_.Ah != 0)) return DecodeStatus::Corrupt;
    const bool cmyk = cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK;
    cinfo_.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    const DecodeStatus started = sink.Start(cinfo_.image_width, cinfo_.image_height, RowOrder::TopDown);
    if (started != DecodeStatus::Ok) return started;
    jpeg_start_decompress(&cinfo_);
    if (cinfo_.output_width != cinfo_.image_width || cinfo_.output_components != 4 ||
        static_cast<JDIMENSION>(cinfo_.rec_outbuf_height) > kRowBatch)
      return DecodeStatus::Corrupt;

    while (cinfo_.output_scanline < cinfo_.output_height) {
      const JDIMENSION first = cinfo_.output_scanline;
      const JDIMENSION count = std::min<JDIMENSION>(kRowBatch, cinfo_.output_height - first);
      for (JDIMENSION i = 0; i < count; ++i) {
        rows_[i] = sink.Row(first + i);
        if (rows_[i] == nullptr) return DecodeStatus::TooLarge;
      }
      const JDIMENSION read = jpeg_read_scanlines(&cinfo_, rows_, count);
      if (read == 0) return DecodeStatus::Corrupt;
      if (cmyk) {
        for (JDIMENSION i = 0; i < read; ++i) CmykToBgra(rows_[i], cinfo_.output_width);
      }
    }
    jpeg_finish_decompress(&cinfo_);
    return DecodeStatus::Ok;
  }

 private:
  static constexpr JDIMENSION kRowBatch = 4;

  struct ErrorManager {
    jpeg_error_mgr manager;
    JpegReader* reader;
  };
  struct ProgressManager {
    jpeg_progress_mgr manager{};
  };

  static JpegReader* From(j_common_ptr cinfo) {
    return reinterpret_cast<ErrorManager*>(cinfo->err)->reader;
  }
  static void OnError(j_common_ptr cinfo) {
    JpegReader* reader = From(cinfo);
    reader->errorCode_ = cinfo->err->msg_code;
    std::longjmp(reader->jump_, 1);
  }
  static void OnMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    if (cinfo->err->msg_code == JWRN_BOGUS_PROGRESSION) OnError(cinfo);
    ++cinfo->err->num_warnings;
  }
  // Called before each scan's data is read (and between its rows), once the scan's MCU layout
  // is known.
  static void OnProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) ERREXIT(cinfo, JERR_BAD_SCAN_SCRIPT);
    JpegReader* reader = From(cinfo);
    if (d->input_scan_number == reader->countedScan_) return;
    reader->countedScan_ = d->input_scan_number;
    reader->scanBlocks_ += uint64_t{d->MCUs_per_row} * d->MCU_rows_in_scan * d->blocks_in_MCU;
    if (reader->scanBlocks_ > reader->maxScanBlocks_) {
      reader->tooMuchWork_ = true;
      ERREXIT(cinfo, JERR_BAD_SCAN_SCRIPT);
    }
  }
  static boolean OnInputEnd(j_decompress_ptr cinfo) {
    From(reinterpret_cast<j_common_ptr>(cinfo))->truncated_ = true;
    ERREXIT(cinfo, JERR_INPUT_EOF);
    return FALSE;
  }
  static void OnSkip(j_decompress_ptr cinfo, long count) {
    jpeg_source_mgr* src = cinfo->src;
    if (count <= 0) return;
    if (static_cast<unsigned long>(count) > src->bytes_in_buffer) {
      OnInputEnd(cinfo);
      return;
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<size_t>(count);
  }

  // Adobe writers store CMYK inverted, and say so in their APP14 marker.
  void CmykToBgra(uint8_t* row, JDIMENSION width) const {
    const bool inverted = cinfo_.saw_Adobe_marker;
    for (JDIMENSION x = 0; x < width; ++x) {
      uint8_t* p = row + size_t{x} * 4;
      unsigned c = p[0], m = p[1], y = p[2], k = p[3];
      if (!inverted) {
        c = 255 - c;
        m = 255 - m;
        y = 255 - y;
        k = 255 - k;
      }
      PutBgra(p, static_cast<uint8_t>(y * k / 255), static_cast<uint8_t>(m * k / 255),
              static_cast<uint8_t>(c * k / 255), 0xFF);
    }
  }

  DecodeStatus FailureStatus() const {
    if (truncated_) return DecodeStatus::Truncated;
    if (tooMuchWork_) return DecodeStatus::TooLarge;
    switch (errorCode_) {
      case JERR_BAD_PRECISION:
      case JERR_CONVERSION_NOTIMPL:
      case JERR_NOT_COMPILED:
      case JERR_NOTIMPL:
        return DecodeStatus::Unsupported;
      case JERR_IMAGE_TOO_BIG:
      case JERR_OUT_OF_MEMORY:
      case JERR_NO_BACKING_STORE:
      case JERR_WIDTH_OVERFLOW:
        return DecodeStatus::TooLarge;
      default:
        return DecodeStatus::Corrupt;
    }
  }

  ByteView file_;
  jpeg_decompress_struct cinfo_{};
  ErrorManager errors_{};
  ProgressManager progress_{};
  jpeg_source_mgr source_{};
  JSAMPROW rows_[kRowBatch] = {};
  std::jmp_buf jump_;
  bool created_ = false;
  bool truncated_ = false;
  bool tooMuchWork_ = false;
  int errorCode_ = 0;
  int countedScan_ = 0;
  uint64_t scanBlocks_ = 0;  // blocks of the scans begun so far, each counted once per scan
  uint64_t maxScanBlocks_ = 0;
};

}  // namespace

DecodeStatus DecodeJpeg(ByteView file, RowSink& sink) {
  JpegReader reader(file);
  return reader.Run(sink);
}

}  // namespace imaging::detail
