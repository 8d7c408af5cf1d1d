// Decodes the same JPEG photos with this module (full decode and check) and with djpeg, and
// prints the times and ratios. The photos are made here: a synthetic picture with gradients,
// edges and noise, written as PPM and compressed by cjpeg (libjpeg-turbo-progs), so nothing
// large lives in the repository.
//
// A full decode writes a fresh 4-byte-per-pixel picture, and on some machines (virtual ones
// above all) faulting in that much new memory costs more than decoding it. So the full decode
// is timed twice: "cold", with malloc returning large blocks to the system after each picture,
// and "warm", with freed memory kept and reused, as in a run over a folder of pictures.
//
// Usage: decode_bench [work directory]   (default: a directory under /tmp)
#include "imaging/decode/PictureDecoder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <malloc.h>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Photo {
  const char* name;
  unsigned width, height;
  const char* cjpegOptions;
};

void WritePpm(const std::string& path, unsigned w, unsigned h, unsigned seed) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << w << " " << h << "\n255\n";
  std::vector<unsigned char> row(size_t{w} * 3);
  uint32_t noise = seed * 2654435761u + 1;
  for (unsigned y = 0; y < h; ++y) {
    for (unsigned x = 0; x < w; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int n = static_cast<int>(noise >> 27) - 16;
      const double fx = x / 97.0, fy = y / 71.0;
      const bool edge = ((x / 257) + (y / 193)) % 2 == 0;
      const int r = static_cast<int>(128 + 90 * std::sin(fx) * std::cos(fy * 0.7)) + n + (edge ? 20 : -20);
      const int g = static_cast<int>(128 + 80 * std::sin(fx * 0.5 + fy)) + n;
      const int b = static_cast<int>(128 + 70 * std::cos(fy * 1.3 - fx * 0.2)) - n;
      row[size_t{x} * 3] = static_cast<unsigned char>(std::clamp(r, 0, 255));
      row[size_t{x} * 3 + 1] = static_cast<unsigned char>(std::clamp(g, 0, 255));
      row[size_t{x} * 3 + 2] = static_cast<unsigned char>(std::clamp(b, 0, 255));
    }
    out.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size()));
  }
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <typename F>
double BestMs(int runs, F&& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = Clock::now();
    f();
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : "/tmp/quillmere-decode-bench";
  if (std::system(("mkdir -p '" + dir + "'").c_str()) != 0) return 1;
  const Photo photos[] = {{"photo-8mp", 3264, 2448, "-quality 90"},
                          {"photo-12mp", 4000, 3000, "-quality 85"},
                          {"photo-24mp", 6000, 4000, "-quality 92"},
                          {"photo-12mp-progressive", 4000, 3000, "-quality 85 -progressive"}};
  const int runs = 5;
  struct Row {
    double djpeg, cold, warm, check;
  };
  std::vector<Row> rows;
  for (const Photo& p : photos) {
    const std::string ppm = dir + "/" + p.name + ".ppm", jpg = dir + "/" + p.name + ".jpg";
    if (ReadFile(jpg).empty()) {
      WritePpm(ppm, p.width, p.height, p.width);
      const std::string cjpeg = std::string("cjpeg ") + p.cjpegOptions + " -outfile '" + jpg + "' '" + ppm + "'";
      if (std::system(cjpeg.c_str()) != 0) {
        std::fprintf(stderr, "cjpeg failed (install libjpeg-turbo-progs)\n");
        return 1;
      }
      std::remove(ppm.c_str());
    }
    const std::string djpeg = "djpeg -outfile /dev/null '" + jpg + "'";
    const double djpegMs = BestMs(runs, [&] {
      if (std::system(djpeg.c_str()) != 0) std::exit(1);
    });
    // The module's side reads the file too, as djpeg does.
    bool ok = true;
    auto decode = [&] {
      const std::vector<uint8_t> file = ReadFile(jpg);
      ok = ok && imaging::DecodePicture(file.data(), file.size()).status == imaging::DecodeStatus::Ok;
    };
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 20);
    const double coldMs = BestMs(runs, decode);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    const double warmMs = BestMs(runs, decode);
    const double checkMs = BestMs(runs, [&] {
      const std::vector<uint8_t> file = ReadFile(jpg);
      ok = ok && imaging::CheckPictureDecodes(file.data(), file.size()) == imaging::DecodeStatus::Ok;
    });
    if (!ok) {
      std::fprintf(stderr, "%s did not decode\n", p.name);
      return 1;
    }
    rows.push_back({djpegMs, coldMs, warmMs, checkMs});
  }

  std::printf("%-24s %6s %9s %9s %9s %9s %8s %8s %9s\n", "photo", "MP", "djpeg ms", "warm ms",
              "cold ms", "check ms", "warm/dj", "cold/dj", "chk/warm");
  Row sum{0, 0, 0, 0};
  for (size_t i = 0; i < rows.size(); ++i) {
    const Photo& p = photos[i];
    const Row& r = rows[i];
    std::printf("%-24s %6.1f %9.1f %9.1f %9.1f %9.1f %8.2f %8.2f %9.2f\n", p.name,
                p.width * double(p.height) / 1e6, r.djpeg, r.warm, r.cold, r.check, r.warm / r.djpeg,
                r.cold / r.djpeg, r.check / r.warm);
    sum = {sum.djpeg + r.djpeg, sum.cold + r.cold, sum.warm + r.warm, sum.check + r.check};
  }
  std::printf("total: decode/djpeg %.2f warm, %.2f cold; check/decode %.2f (best of %d runs each)\n",
              sum.warm / sum.djpeg, sum.cold / sum.djpeg, sum.check / sum.warm, runs);
  return 0;
}
