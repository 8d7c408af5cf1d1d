// One libFuzzer target per format (QUILLMERE_FUZZ_FORMAT names it). Besides the sanitisers'
// findings, it aborts when the check, the full decode and a decode of picked rows disagree or a
// result is malformed.
#include "imaging/decode/PictureDecoder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Small limits keep each input fast; the cap logic itself is the same at any size.
imaging::DecodeLimits FuzzLimits() {
  imaging::DecodeLimits limits;
  limits.maxPixels = uint64_t{1} << 22;
  limits.maxSide = 8192;
  limits.maxWorkMemory = uint64_t{256} << 20;
  limits.maxCheckedPixels = uint64_t{1} << 24;
  limits.maxScanBlocks = uint64_t{1} << 22;
  return limits;
}

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using imaging::PictureFormat;
  const PictureFormat format = imaging::DetectPictureFormat(data, size);
  // Icons and cursors share a decoder; the other formats keep to their own target.
  const PictureFormat wanted = PictureFormat::QUILLMERE_FUZZ_FORMAT;
  if (format != wanted && !(wanted == PictureFormat::Ico && format == PictureFormat::Cur)) return -1;

  static const imaging::DecodeLimits limits = FuzzLimits();
  const imaging::DecodedPicture picture = imaging::DecodePicture(data, size, limits);
  const imaging::DecodeStatus checked = imaging::CheckPictureDecodes(data, size, limits);
  if (picture.status != imaging::DecodeStatus::TooLarge && checked != picture.status)
    Fail("the check and the full decode disagree");
  if (picture.status == imaging::DecodeStatus::Ok) {
    if (picture.width == 0 || picture.height == 0) Fail("empty picture");
    if (uint64_t{picture.width} * picture.height > limits.maxPixels) Fail("cap exceeded");
    if (picture.bgra.size() != size_t{picture.width} * picture.height * 4) Fail("wrong pixel count");
  } else if (!picture.bgra.empty()) {
    Fail("pixels kept after a failure");
  }

  // Every third row picked must be what the full decode holds in that row.
  const imaging::PickedRows picked = imaging::DecodePickedRows(
      data, size,
      [](uint32_t, uint32_t height) {
        std::vector<uint32_t> rows;
        for (uint32_t y = 1; y < height; y += 3) rows.push_back(y);
        return rows;
      },
      limits);
  if (picture.status != imaging::DecodeStatus::TooLarge && picked.status != picture.status)
    Fail("picked rows and the full decode disagree");
  if (picture.status == imaging::DecodeStatus::Ok && picked.status == imaging::DecodeStatus::Ok) {
    const size_t stride = size_t{picture.width} * 4;
    if (picked.bgra.size() != stride * picked.rows.size()) Fail("wrong picked pixel count");
    for (size_t i = 0; i < picked.rows.size(); ++i) {
      if (std::memcmp(&picked.bgra[stride * i], &picture.bgra[stride * picked.rows[i]], stride) != 0)
        Fail("a picked row differs from the full decode's");
    }
  }
  return 0;
}
