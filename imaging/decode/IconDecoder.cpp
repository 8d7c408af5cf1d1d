// ICO and CUR: the directory's largest picture, which may be a DIB with an AND mask or a PNG.
// The directory only chooses it: as common viewers do, the picture's own header gives its size
// when the two disagree.
#include "imaging/decode/DecoderParts.h"

namespace imaging::detail {

DecodeStatus DecodeIcon(ByteView file, RowSink& sink) {
  constexpr size_t kHeader = 6, kEntry = 16;
  if (!file.Has(0, kHeader)) return DecodeStatus::Truncated;
  const bool cursor = file.U16(2) == 2;
  const uint32_t count = file.U16(4);
  if (count == 0) return DecodeStatus::Corrupt;
  const uint64_t directoryEnd = kHeader + uint64_t{count} * kEntry;
  if (!file.Has(0, directoryEnd)) return DecodeStatus::Truncated;

  // Largest by area, then (icons only: a cursor keeps its hot spot there) by colour depth.
  size_t best = 0;
  uint64_t bestArea = 0;
  unsigned bestDepth = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t e = kHeader + i * kEntry;
    const uint64_t w = file.U8(e) ? file.U8(e) : 256;
    const uint64_t h = file.U8(e + 1) ? file.U8(e + 1) : 256;
    const unsigned depth = cursor ? 0 : file.U16(e + 6);
    if (i == 0 || w * h > bestArea || (w * h == bestArea && depth > bestDepth)) {
      best = e;
      bestArea = w * h;
      bestDepth = depth;
    }
  }

  const uint64_t bytes = file.U32(best + 8);
  const uint64_t offset = file.U32(best + 12);
  if (bytes == 0 || offset < directoryEnd) return DecodeStatus::Corrupt;
  if (!file.Has(offset, bytes)) return DecodeStatus::Truncated;
  return DecodeIconPicture(file.Sub(offset, bytes), sink);
}

}  // namespace imaging::detail
