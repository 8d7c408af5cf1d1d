#include "FixtureWriters.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

namespace fixtures {

void Put16(Bytes& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Set16(Bytes& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Set32(Bytes& out, size_t at, uint32_t v) {
  Set16(out, at, v & 0xFFFF);
  Set16(out, at + 2, v >> 16);
}

Bytes MakeBmp(const BmpLayout& s) {
  Bytes dib;
  Put32(dib, s.headerSize);
  if (s.headerSize == 12) {
    Put16(dib, static_cast<uint32_t>(s.width));
    Put16(dib, static_cast<uint32_t>(s.height));
    Put16(dib, 1);
    Put16(dib, s.bpp);
  } else {
    Put32(dib, static_cast<uint32_t>(s.width));
    Put32(dib, static_cast<uint32_t>(s.height));
    Put16(dib, 1);
    Put16(dib, s.bpp);
    Put32(dib, s.compression);
    Put32(dib, static_cast<uint32_t>(s.pixels.size()));
    Put32(dib, 2835);
    Put32(dib, 2835);
    // Unless told otherwise, say how many colours were written when they are fewer than the
    // depth allows.
    uint32_t used = s.colorsUsed;
    if (used == 0 && s.bpp <= 8 && s.palette.size() < (size_t{1} << s.bpp))
      used = static_cast<uint32_t>(s.palette.size());
    Put32(dib, used);
    Put32(dib, 0);
    for (uint32_t m : s.masks) Put32(dib, m);  // inside a larger header, or after a 40-byte one
    while (dib.size() < s.headerSize) dib.push_back(0);
  }
  for (const Rgba& c : s.palette) {
    dib.push_back(c.b);
    dib.push_back(c.g);
    dib.push_back(c.r);
    if (s.headerSize != 12) dib.push_back(0);
  }
  Bytes file{'B', 'M'};
  Put32(file, static_cast<uint32_t>(14 + dib.size() + s.pixels.size()));
  Put32(file, 0);
  Put32(file, static_cast<uint32_t>(14 + dib.size()));
  file.insert(file.end(), dib.begin(), dib.end());
  file.insert(file.end(), s.pixels.begin(), s.pixels.end());
  return file;
}

Bytes PadRows(const std::vector<Bytes>& rows) {
  Bytes out;
  for (const Bytes& row : rows) {
    out.insert(out.end(), row.begin(), row.end());
    for (size_t i = row.size(); i % 4 != 0; ++i) out.push_back(0);
  }
  return out;
}

void CodeWriter::Add(unsigned code, unsigned bits) {
  buffer_ |= code << count_;
  count_ += bits;
  while (count_ >= 8) {
    bytes_.push_back(static_cast<uint8_t>(buffer_));
    buffer_ >>= 8;
    count_ -= 8;
  }
}
Bytes CodeWriter::Finish() {
  if (count_ > 0) bytes_.push_back(static_cast<uint8_t>(buffer_));
  buffer_ = 0;
  count_ = 0;
  return bytes_;
}

Bytes LiteralLzw(const std::vector<uint8_t>& indices, unsigned minCodeSize, unsigned clearCodeEvery) {
  const unsigned clear = 1u << minCodeSize;
  CodeWriter w;
  unsigned codeSize = minCodeSize + 1, next = clear + 2;
  bool first = true;
  w.Add(clear, codeSize);
  unsigned sinceClear = 0;
  for (uint8_t index : indices) {
    if (clearCodeEvery != 0 && sinceClear == clearCodeEvery) {
      w.Add(clear, codeSize);
      codeSize = minCodeSize + 1;
      next = clear + 2;
      first = true;
      sinceClear = 0;
    }
    w.Add(index, codeSize);
    ++sinceClear;
    if (!first && next < 4096) {
      ++next;
      if (next == (1u << codeSize) && codeSize < 12) ++codeSize;
    }
    first = false;
  }
  w.Add(clear + 1, codeSize);
  return w.Finish();
}

namespace {
void PutColourTable(Bytes& out, const std::vector<Rgba>& colours, unsigned sizeField) {
  const size_t count = size_t{2} << sizeField;
  for (size_t i = 0; i < count; ++i) {
    const Rgba c = i < colours.size() ? colours[i] : Rgba{0, 0, 0, 255};
    out.push_back(c.r);
    out.push_back(c.g);
    out.push_back(c.b);
  }
}
unsigned SizeField(size_t count) {
  unsigned field = 0;
  while ((size_t{2} << field) < count) ++field;
  return field;
}
}  // namespace

Bytes MakeGif(const GifLayout& s) {
  Bytes out{'G', 'I', 'F', '8', '9', 'a'};
  Put16(out, s.screenWidth);
  Put16(out, s.screenHeight);
  const unsigned globalField = SizeField(s.globalColours.size());
  out.push_back(static_cast<uint8_t>(s.globalColours.empty() ? 0 : 0x80 | 0x70 | globalField));
  out.push_back(0);
  out.push_back(0);
  if (!s.globalColours.empty()) PutColourTable(out, s.globalColours, globalField);
  if (s.transparentIndex >= 0) {
    const uint8_t gce[] = {0x21, 0xF9, 4, 1, 0, 0, static_cast<uint8_t>(s.transparentIndex), 0};
    out.insert(out.end(), std::begin(gce), std::end(gce));
  }
  const uint8_t comment[] = {0x21, 0xFE, 3, 'q', 'm', '!', 0};
  out.insert(out.end(), std::begin(comment), std::end(comment));
  out.push_back(0x2C);
  Put16(out, s.left);
  Put16(out, s.top);
  Put16(out, s.width);
  Put16(out, s.height);
  const unsigned localField = SizeField(s.localColours.size());
  out.push_back(static_cast<uint8_t>((s.localColours.empty() ? 0 : 0x80 | localField) |
                                     (s.interlaced ? 0x40 : 0)));
  if (!s.localColours.empty()) PutColourTable(out, s.localColours, localField);
  out.push_back(s.minCodeSize);
  for (size_t at = 0; at < s.lzw.size(); at += 255) {
    const size_t n = std::min<size_t>(255, s.lzw.size() - at);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), s.lzw.begin() + static_cast<long>(at), s.lzw.begin() + static_cast<long>(at + n));
  }
  out.push_back(0);
  if (s.trailer) out.push_back(0x3B);
  return out;
}

Bytes RunLengthPcx(const std::vector<Bytes>& lines) {
  Bytes out;
  for (const Bytes& line : lines) {
    for (size_t i = 0; i < line.size();) {
      size_t run = 1;
      while (i + run < line.size() && run < 63 && line[i + run] == line[i]) ++run;
      if (run > 1 || (line[i] & 0xC0) == 0xC0) {
        out.push_back(static_cast<uint8_t>(0xC0 | run));
        out.push_back(line[i]);
      } else {
        out.push_back(line[i]);
      }
      i += run;
    }
  }
  return out;
}

Bytes MakePcx(const PcxLayout& s) {
  Bytes out(128, 0);
  out[0] = 0x0A;
  out[1] = s.version;
  out[2] = 1;
  out[3] = s.bpp;
  Set16(out, 4, 0);
  Set16(out, 6, 0);
  Set16(out, 8, s.width - 1u);
  Set16(out, 10, s.height - 1u);
  out[65] = s.planes;
  uint32_t bpl = s.bytesPerLine;
  if (bpl == 0) bpl = ((s.width * s.bpp + 7) / 8 + 1) & ~1u;
  Set16(out, 66, bpl);
  const Bytes encoded = s.encoded.empty() ? RunLengthPcx(s.lines) : s.encoded;
  out.insert(out.end(), encoded.begin(), encoded.end());
  if (!s.palette.empty()) {
    out.push_back(0x0C);
    for (size_t i = 0; i < 256; ++i) {
      const Rgba c = i < s.palette.size() ? s.palette[i] : Rgba{0, 0, 0, 255};
      out.push_back(c.r);
      out.push_back(c.g);
      out.push_back(c.b);
    }
  }
  return out;
}

Bytes MakeIcon(const std::vector<IconEntry>& entries, bool cursor) {
  Bytes out;
  Put16(out, 0);
  Put16(out, cursor ? 2 : 1);
  Put16(out, static_cast<uint32_t>(entries.size()));
  size_t offset = 6 + 16 * entries.size();
  for (const IconEntry& e : entries) {
    out.push_back(e.width);
    out.push_back(e.height);
    out.push_back(0);
    out.push_back(0);
    Put16(out, cursor ? 3 : 1);
    Put16(out, cursor ? 5 : e.bpp);
    Put32(out, static_cast<uint32_t>(e.sizeOverride >= 0 ? e.sizeOverride : static_cast<int64_t>(e.payload.size())));
    Put32(out, static_cast<uint32_t>(e.offsetOverride >= 0 ? e.offsetOverride : static_cast<int64_t>(offset)));
    offset += e.payload.size();
  }
  for (const IconEntry& e : entries) out.insert(out.end(), e.payload.begin(), e.payload.end());
  return out;
}

Bytes MakeIconDib(int32_t width, int32_t height, uint16_t bpp, const std::vector<Rgba>& palette,
                  const std::vector<Bytes>& colourRows, const std::vector<Bytes>& maskRows,
                  uint32_t colorsUsed) {
  Bytes out;
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height * 2));
  Put16(out, 1);
  Put16(out, bpp);
  if (colorsUsed == 0 && bpp <= 8 && palette.size() < (size_t{1} << bpp))
    colorsUsed = static_cast<uint32_t>(palette.size());
  for (int i = 0; i < 6; ++i) Put32(out, i == 4 ? colorsUsed : 0);
  for (const Rgba& c : palette) {
    out.push_back(c.b);
    out.push_back(c.g);
    out.push_back(c.r);
    out.push_back(0);
  }
  const Bytes colour = PadRows(colourRows), mask = PadRows(maskRows);
  out.insert(out.end(), colour.begin(), colour.end());
  out.insert(out.end(), mask.begin(), mask.end());
  return out;
}

namespace {
void PngWriteToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
// A writer misuse is a broken test; stop loudly rather than unwind through libpng.
void PngFail(png_structp, png_const_charp message) {
  std::fprintf(stderr, "png writer: %s\n", message);
  std::abort();
}
void PngIgnore(png_structp, png_const_charp) {}
}  // namespace

Bytes MakePng(const PngLayout& s) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngIgnore);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, PngWriteToVector, nullptr);
  png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colourType,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> colours;
  for (const Rgba& c : s.palette) colours.push_back(png_color{c.r, c.g, c.b});
  if (!colours.empty()) png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
  if (!s.paletteAlpha.empty())
    png_set_tRNS(png, info, s.paletteAlpha.data(), static_cast<int>(s.paletteAlpha.size()), nullptr);
  if (s.transparentGrey >= 0) {
    png_color_16 grey{};
    grey.gray = static_cast<png_uint_16>(s.transparentGrey);
    png_set_tRNS(png, info, nullptr, 0, &grey);
  }
  png_write_info(png, info);
  const int channels = png_get_channels(png, info);
  const size_t samplesPerRow = size_t{s.width} * channels;
  const size_t rowBytes = (samplesPerRow * s.bitDepth + 7) / 8;
  std::vector<Bytes> rows(s.height, Bytes(rowBytes, 0));
  for (uint32_t y = 0; y < s.height; ++y) {
    for (size_t i = 0; i < samplesPerRow; ++i) {
      const uint16_t v = s.samples[y * samplesPerRow + i];
      if (s.bitDepth == 16) {
        rows[y][2 * i] = static_cast<uint8_t>(v >> 8);
        rows[y][2 * i + 1] = static_cast<uint8_t>(v);
      } else if (s.bitDepth == 8) {
        rows[y][i] = static_cast<uint8_t>(v);
      } else {
        const size_t bit = i * s.bitDepth;
        rows[y][bit / 8] |= static_cast<uint8_t>(v << (8 - s.bitDepth - bit % 8));
      }
    }
  }
  std::vector<png_bytep> pointers;
  for (Bytes& row : rows) pointers.push_back(row.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes MakeBlankPng(uint32_t width, uint32_t height, bool interlaced) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngIgnore);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, PngWriteToVector, nullptr);
  png_set_IHDR(png, info, width, height, 1, PNG_COLOR_TYPE_GRAY,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, 0, PNG_FILTER_NONE);
  png_write_info(png, info);
  const int passes = png_set_interlace_handling(png);
  Bytes row((width + 7) / 8, 0);
  for (int pass = 0; pass < passes; ++pass)
    for (uint32_t y = 0; y < height; ++y) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

void SetPngSize(Bytes& png, uint32_t width, uint32_t height) {
  // IHDR comes first: its data starts at 16, its CRC (over type and data) at 29.
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
    png[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
  }
  const uLong crc = crc32(crc32(0, nullptr, 0), &png[12], 17);
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
}

namespace {
// The marker segments of a JPEG after its SOI: [begin, end) of each, a scan's entropy-coded
// data counted with its SOS.
struct Segment {
  uint8_t marker;
  size_t begin, end;
};
std::vector<Segment> JpegSegments(const Bytes& jpeg) {
  std::vector<Segment> segments;
  size_t at = 2;
  while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
    const uint8_t marker = jpeg[at + 1];
    if (marker == 0xD9) {
      segments.push_back({marker, at, at + 2});
      break;
    }
    size_t end = at + 2 + (size_t{jpeg[at + 2]} << 8 | jpeg[at + 3]);
    if (marker == 0xDA) {
      // Entropy-coded data ends at the first marker other than a stuffed zero or a restart.
      while (end + 1 < jpeg.size() &&
             !(jpeg[end] == 0xFF && jpeg[end + 1] != 0 && (jpeg[end + 1] & 0xF8) != 0xD0))
        ++end;
    }
    segments.push_back({marker, at, end});
    at = end;
  }
  return segments;
}
}  // namespace

void SetJpegSize(Bytes& jpeg, uint32_t width, uint32_t height) {
  for (const Segment& s : JpegSegments(jpeg)) {
    const uint8_t m = s.marker;
    if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
      jpeg[s.begin + 5] = static_cast<uint8_t>(height >> 8);
      jpeg[s.begin + 6] = static_cast<uint8_t>(height);
      jpeg[s.begin + 7] = static_cast<uint8_t>(width >> 8);
      jpeg[s.begin + 8] = static_cast<uint8_t>(width);
      return;
    }
  }
}

size_t JpegScanDataStart(const Bytes& jpeg) {
  for (const Segment& s : JpegSegments(jpeg))
    if (s.marker == 0xDA) return s.begin + 2 + (size_t{jpeg[s.begin + 2]} << 8 | jpeg[s.begin + 3]);
  return jpeg.size();
}

Bytes MakeProgressiveGreyJpeg(uint32_t width, uint32_t height, const std::vector<JpegScan>& scans,
                              const std::vector<size_t>& order) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = 1;
  cinfo.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&cinfo);
  std::vector<jpeg_scan_info> script;
  for (const JpegScan& scan : scans) {
    jpeg_scan_info info{};
    info.comps_in_scan = 1;
    info.component_index[0] = 0;
    info.Ss = scan.ss;
    info.Se = scan.se;
    info.Ah = scan.ah;
    info.Al = scan.al;
    script.push_back(info);
  }
  cinfo.scan_info = script.data();
  cinfo.num_scans = static_cast<int>(script.size());
  jpeg_start_compress(&cinfo, TRUE);
  Bytes row(width);
  for (uint32_t x = 0; x < width; ++x) row[x] = static_cast<uint8_t>(width > 1 ? x * 255 / (width - 1) : 0);
  while (cinfo.next_scanline < height) {
    JSAMPROW pointer = row.data();
    jpeg_write_scanlines(&cinfo, &pointer, 1);
  }
  jpeg_finish_compress(&cinfo);
  const Bytes written(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  if (order.empty()) return written;

  // Everything before the first table or scan, then one group per scan: its tables and itself.
  Bytes head(written.begin(), written.begin() + 2), tail;
  std::vector<Bytes> groups;
  Bytes group;
  for (const Segment& s : JpegSegments(written)) {
    const Bytes bytes(written.begin() + static_cast<long>(s.begin), written.begin() + static_cast<long>(s.end));
    if (s.marker == 0xC4 || s.marker == 0xDA) {
      group.insert(group.end(), bytes.begin(), bytes.end());
      if (s.marker == 0xDA) {
        groups.push_back(group);
        group.clear();
      }
    } else if (s.marker == 0xD9) {
      tail = bytes;
    } else {
      head.insert(head.end(), bytes.begin(), bytes.end());
    }
  }
  Bytes out = head;
  for (size_t index : order) out.insert(out.end(), groups.at(index).begin(), groups.at(index).end());
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

Bytes MakeJpeg(uint32_t width, uint32_t height, JpegKind kind, int quality) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  const bool grey = kind == JpegKind::Grey;
  const bool cmyk = kind == JpegKind::Cmyk || kind == JpegKind::Ycck;
  cinfo.input_components = grey ? 1 : cmyk ? 4 : 3;
  cinfo.in_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (kind == JpegKind::Ycck) jpeg_set_colorspace(&cinfo, JCS_YCCK);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (kind == JpegKind::Progressive) jpeg_simple_progression(&cinfo);
  if (kind == JpegKind::Arithmetic) cinfo.arith_code = TRUE;
  jpeg_start_compress(&cinfo, TRUE);
  Bytes row(size_t{width} * cinfo.input_components);
  while (cinfo.next_scanline < height) {
    const uint32_t y = cinfo.next_scanline;
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t r = static_cast<uint8_t>(width > 1 ? x * 255 / (width - 1) : 0);
      const uint8_t g = static_cast<uint8_t>(height > 1 ? y * 255 / (height - 1) : 0);
      uint8_t* p = &row[size_t{x} * cinfo.input_components];
      if (grey) {
        p[0] = r;
      } else {
        // CMYK as Adobe stores it: inverted, so (r, g, b, 255) is the colour (r, g, b).
        p[0] = r;
        p[1] = g;
        p[2] = 128;
        if (cmyk) p[3] = 255;
      }
    }
    JSAMPROW pointer = row.data();
    jpeg_write_scanlines(&cinfo, &pointer, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Rgba PixelAt(const imaging::DecodedPicture& picture, uint32_t x, uint32_t y) {
  const uint8_t* p = &picture.bgra[(size_t{y} * picture.width + x) * 4];
  return Rgba{p[2], p[1], p[0], p[3]};
}

imaging::DecodedPicture DecodeBoth(const Bytes& file, const imaging::DecodeLimits& limits) {
  imaging::DecodedPicture picture = imaging::DecodePicture(file.data(), file.size(), limits);
  const imaging::DecodeStatus checked = imaging::CheckPictureDecodes(file.data(), file.size(), limits);
  // The check's pixel cap is above the full decode's; all else it must judge as the decode does.
  if (picture.status != imaging::DecodeStatus::TooLarge) {
    EXPECT_EQ(imaging::DecodeStatusName(checked), imaging::DecodeStatusName(picture.status))
        << "the check disagrees with the full decode";
  }
  if (picture.status == imaging::DecodeStatus::Ok) {
    EXPECT_EQ(picture.bgra.size(), size_t{picture.width} * picture.height * 4);
  } else {
    EXPECT_TRUE(picture.bgra.empty());
  }
  return picture;
}

void ExpectCase(const Case& c) {
  SCOPED_TRACE(c.name);
  const imaging::DecodedPicture picture = DecodeBoth(c.file);
  ASSERT_EQ(imaging::DecodeStatusName(picture.status), std::string(imaging::DecodeStatusName(c.status)));
  if (c.status != imaging::DecodeStatus::Ok) return;
  ASSERT_EQ(picture.width, c.width);
  ASSERT_EQ(picture.height, c.height);
  for (const Probe& p : c.probes) {
    EXPECT_EQ(ToString(PixelAt(picture, p.x, p.y)), ToString(p.colour)) << "at " << p.x << "," << p.y;
  }
}

bool operator==(const Rgba& a, const Rgba& b) {
  return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

std::string ToString(const Rgba& c) {
  char text[40];
  std::snprintf(text, sizeof text, "rgba(%u,%u,%u,%u)", c.r, c.g, c.b, c.a);
  return text;
}

}  // namespace fixtures
