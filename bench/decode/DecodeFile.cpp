// Decodes each file given, by the check or fully, and prints its status, the time it took and
// the process's peak resident memory so far. Run it once per file to see each file's own peak.
//
// Usage: decode_file check|decode FILE...
#include "imaging/decode/PictureDecoder.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <vector>

int main(int argc, char** argv) {
  const bool full = argc > 1 && std::strcmp(argv[1], "decode") == 0;
  if (argc < 3 || (!full && std::strcmp(argv[1], "check") != 0)) {
    std::fprintf(stderr, "usage: decode_file check|decode FILE...\n");
    return 2;
  }
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto t0 = std::chrono::steady_clock::now();
    imaging::DecodeStatus status;
    uint32_t width = 0, height = 0;
    if (full) {
      const imaging::DecodedPicture picture = imaging::DecodePicture(file.data(), file.size());
      status = picture.status;
      width = picture.width;
      height = picture.height;
    } else {
      status = imaging::CheckPictureDecodes(file.data(), file.size());
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%s\t%zu bytes\t%s %s", argv[i], file.size(), argv[1], imaging::DecodeStatusName(status));
    if (full && status == imaging::DecodeStatus::Ok) std::printf(" %ux%u", width, height);
    std::printf("\t%.0f ms\tpeak %.1f MiB\n", ms, usage.ru_maxrss / 1024.0);
  }
  return 0;
}
