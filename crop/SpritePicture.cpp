#include "crop/SpritePicture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

// Weights are fixed-point fractions of this; the two passes keep 8 bits more than a byte between
// them, so a pixel at its natural size comes back exactly.
constexpr int kWeightBits = 14;
constexpr uint32_t kWeightOne = 1u << kWeightBits;

// For each output index along one axis, the source indexes (one level's) that meet in it and
// their weights, which add up to kWeightOne.
struct AxisTaps {
    std::vector<int32_t> first;   // first source index of each output index
    std::vector<uint32_t> start;  // where its weights begin in weights; one more entry at the end
    std::vector<uint32_t> weights;
    int32_t spanFirst = 0;  // the source indexes any output index reads: [spanFirst, spanEnd)
    int32_t spanEnd = 0;
    bool identity = true;  // every output index is one source index of full weight

    int Count(size_t i) const { return static_cast<int>(start[i + 1] - start[i]); }
};

void AddWeights(AxisTaps& taps, int32_t first, const std::vector<double>& fractions, int count,
                std::vector<uint32_t>& fixed) {
    fixed.resize(count);
    uint32_t sum = 0;
    int largest = 0;
    for (int k = 0; k < count; ++k) {
        fixed[k] = static_cast<uint32_t>(std::lround(fractions[k] * kWeightOne));
        sum += fixed[k];
        if (fixed[k] > fixed[largest]) largest = k;
    }
    // The rounding's remainder goes to the heaviest tap, so that flat areas stay flat.
    fixed[largest] = static_cast<uint32_t>(static_cast<int64_t>(fixed[largest]) + kWeightOne - sum);
    // Taps that rounded to nothing are dropped from both ends.
    int begin = 0, end = count;
    while (begin < end - 1 && fixed[begin] == 0) ++begin;
    while (end - 1 > begin && fixed[end - 1] == 0) --end;
    taps.first.push_back(first + begin);
    for (int k = begin; k < end; ++k) taps.weights.push_back(fixed[k]);
    taps.start.push_back(static_cast<uint32_t>(taps.weights.size()));
    if (end - begin != 1) taps.identity = false;
    taps.spanFirst = std::min(taps.spanFirst, first + begin);
    taps.spanEnd = std::max(taps.spanEnd, first + end);
}

// Output indexes [outFirst, outFirst + outCount) of an axis of natural length naturalLength shown
// scaledLength long, read from a level whose length is levelLength and whose pixels cover
// levelFactor natural pixels each.
AxisTaps MakeTaps(int64_t naturalLength, int64_t scaledLength, int32_t levelLength, double levelFactor,
                  int64_t outFirst, int outCount) {
    AxisTaps taps;
    taps.first.reserve(outCount);
    taps.start.reserve(outCount + 1);
    taps.start.push_back(0);
    taps.spanFirst = levelLength;
    taps.spanEnd = 0;
    const double step = static_cast<double>(naturalLength) / static_cast<double>(scaledLength) / levelFactor;
    const int32_t last = levelLength - 1;
    std::vector<double> fractions(2);
    std::vector<uint32_t> fixed;
    if (step >= 1.0) {
        // Area averaging: output index i covers [i * step, (i + 1) * step) of the level.
        for (int n = 0; n < outCount; ++n) {
            const double i = static_cast<double>(outFirst + n);
            const double a = i * step;
            const double b = std::min((i + 1.0) * step, static_cast<double>(levelLength));
            const int32_t k0 = std::min(static_cast<int32_t>(std::floor(a)), last);
            const int32_t k1 = std::max(std::min(static_cast<int32_t>(std::ceil(b)), levelLength), k0 + 1);
            // Shrinking both axes alike keeps the step below 2, so at most 3 taps; an axis
            // shrunk far more than the other takes as many as it covers.
            const int count = k1 - k0;
            const double length = std::max(b - a, 1e-9);
            fractions.resize(count);
            for (int k = 0; k < count; ++k) {
                const double lo = std::max(a, static_cast<double>(k0 + k));
                const double hi = std::min(b, static_cast<double>(k0 + k + 1));
                fractions[k] = std::max(hi - lo, 0.0) / length;
            }
            AddWeights(taps, k0, fractions, count, fixed);
        }
    } else {
        // Bilinear sampling at the output pixel's centre.
        for (int n = 0; n < outCount; ++n) {
            const double centre = (static_cast<double>(outFirst + n) + 0.5) * step - 0.5;
            int32_t k = static_cast<int32_t>(std::floor(centre));
            double t = centre - k;
            if (k < 0) {
                k = 0;
                t = 0.0;
            } else if (k >= last) {
                k = last;
                t = 0.0;
            }
            fractions.assign({1.0 - t, t});
            AddWeights(taps, k, fractions, t > 0.0 ? 2 : 1, fixed);
        }
    }
    return taps;
}

}  // namespace

SpritePicture::SpritePicture(imaging::DecodedPicture decoded) {
    if (decoded.status != imaging::DecodeStatus::Ok || decoded.width == 0 || decoded.height == 0) return;
    Level base;
    base.width = decoded.width;
    base.height = decoded.height;
    base.bgra = std::move(decoded.bgra);
    uint8_t* p = base.bgra.data();
    const size_t bytes = base.bgra.size();
    for (size_t i = 3; i < bytes && opaque_; i += 4) opaque_ = p[i] == 0xFF;
    if (!opaque_) {
        // Premultiplied colours average correctly across transparent edges.
        for (size_t i = 0; i < bytes; i += 4) {
            const uint32_t alpha = p[i + 3];
            for (int c = 0; c < 3; ++c) p[i + c] = static_cast<uint8_t>((p[i + c] * alpha + 127) / 255);
        }
    }
    // Room for every level at once (sides up to 2^32 halve 33 times), so adding one never
    // moves the others and never throws.
    try {
        levels_.reserve(33);
    } catch (const std::bad_alloc&) {
        return;
    }
    levels_.push_back(std::move(base));
    BuildLevels();
}

SpritePicture SpritePicture::Decode(const std::string& bytes) {
    return SpritePicture(imaging::DecodePicture(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

void SpritePicture::BuildLevels() {
    while (levels_.back().width > 1 || levels_.back().height > 1) {
        const Level& from = levels_.back();
        Level next;
        next.width = (from.width + 1) / 2;
        next.height = (from.height + 1) / 2;
        // Without memory for a level the picture is still drawn, from the finer levels with
        // more taps, only more slowly.
        try {
            next.bgra.resize(size_t{next.width} * next.height * 4);
        } catch (const std::bad_alloc&) {
            return;
        }
        const size_t fromRow = size_t{from.width} * 4;
        const uint32_t pairs = from.width / 2;  // output pixels with two source columns
        for (uint32_t y = 0; y < next.height; ++y) {
            const uint8_t* top = from.bgra.data() + size_t{2 * y} * fromRow;
            const uint8_t* bottom = 2 * y + 1 < from.height ? top + fromRow : top;
            uint8_t* out = next.bgra.data() + size_t{y} * next.width * 4;
            for (size_t i = 0; i < size_t{pairs} * 4; ++i) {
                const size_t at = (i / 4) * 8 + i % 4;
                out[i] = static_cast<uint8_t>((top[at] + top[at + 4] + bottom[at] + bottom[at + 4] + 2) >> 2);
            }
            if (next.width > pairs) {
                // An odd width: the last column has only itself.
                const size_t at = size_t{pairs} * 8;
                for (int c = 0; c < 4; ++c) {
                    out[size_t{pairs} * 4 + c] = static_cast<uint8_t>((top[at + c] + bottom[at + c] + 1) >> 1);
                }
            }
        }
        levels_.push_back(std::move(next));
    }
}

size_t SpritePicture::MemoryBytes() const {
    size_t bytes = 0;
    for (const Level& level : levels_) bytes += level.bgra.capacity();
    return bytes;
}

int SpritePicture::LevelForShrink(double shrink) const {
    int level = 0;
    // The deepest level whose pixels are still no larger than the output's.
    while (level + 1 < LevelCount() && std::ldexp(1.0, level + 1) <= shrink) ++level;
    return level;
}

void SpritePicture::ScaleWindow(int64_t scaledWidth, int64_t scaledHeight, int64_t left, int64_t top, int width,
                                int height, uint8_t* out, ptrdiff_t rowStride) const {
    if (Empty() || width <= 0 || height <= 0 || scaledWidth <= 0 || scaledHeight <= 0) return;
    const double shrinkX = static_cast<double>(Width()) / static_cast<double>(scaledWidth);
    const double shrinkY = static_cast<double>(Height()) / static_cast<double>(scaledHeight);
    // The axis shrunk less decides, so neither axis reads a level coarser than its output.
    const int levelIndex = LevelForShrink(std::min(shrinkX, shrinkY));
    const Level& level = levels_[levelIndex];
    const double factor = std::ldexp(1.0, levelIndex);
    const AxisTaps columns = MakeTaps(Width(), scaledWidth, static_cast<int32_t>(level.width), factor, left, width);
    const AxisTaps rows = MakeTaps(Height(), scaledHeight, static_cast<int32_t>(level.height), factor, top, height);

    const size_t levelRow = size_t{level.width} * 4;
    const uint8_t* base = level.bgra.data() + size_t(columns.spanFirst) * 4;
    const size_t spanBytes = size_t(columns.spanEnd - columns.spanFirst) * 4;

    if (columns.identity && rows.identity) {
        for (int j = 0; j < height; ++j) {
            const uint8_t* from = base + size_t(rows.first[j]) * levelRow;
            uint8_t* to = out + j * rowStride;
            for (int i = 0; i < width; ++i) {
                std::memcpy(to + size_t(i) * 4, from + size_t(columns.first[i] - columns.spanFirst) * 4, 4);
            }
        }
        return;
    }

    std::vector<uint32_t> sum(spanBytes);
    std::vector<uint16_t> line(spanBytes);
    for (int j = 0; j < height; ++j) {
        // Down the rows first, over every column the row's outputs read...
        const uint32_t* w = rows.weights.data() + rows.start[j];
        const int count = rows.Count(j);
        const uint8_t* r0 = base + size_t(rows.first[j]) * levelRow;
        if (count == 1) {
            for (size_t c = 0; c < spanBytes; ++c) line[c] = static_cast<uint16_t>(r0[c] << 8);
        } else if (count == 2) {
            const uint8_t* r1 = r0 + levelRow;
            const uint32_t w0 = w[0], w1 = w[1];
            for (size_t c = 0; c < spanBytes; ++c) line[c] = static_cast<uint16_t>((w0 * r0[c] + w1 * r1[c] + 32) >> 6);
        } else if (count == 3) {
            const uint8_t* r1 = r0 + levelRow;
            const uint8_t* r2 = r1 + levelRow;
            const uint32_t w0 = w[0], w1 = w[1], w2 = w[2];
            for (size_t c = 0; c < spanBytes; ++c) {
                line[c] = static_cast<uint16_t>((w0 * r0[c] + w1 * r1[c] + w2 * r2[c] + 32) >> 6);
            }
        } else {
            std::fill(sum.begin(), sum.end(), 32u);
            for (int k = 0; k < count; ++k) {
                const uint8_t* r = r0 + size_t(k) * levelRow;
                const uint32_t wk = w[k];
                for (size_t c = 0; c < spanBytes; ++c) sum[c] += wk * r[c];
            }
            for (size_t c = 0; c < spanBytes; ++c) line[c] = static_cast<uint16_t>(sum[c] >> 6);
        }
        // ...then across the columns of that line.
        uint8_t* to = out + j * rowStride;
        for (int i = 0; i < width; ++i) {
            const uint16_t* from = line.data() + size_t(columns.first[i] - columns.spanFirst) * 4;
            const uint32_t* wx = columns.weights.data() + columns.start[i];
            const int taps = columns.Count(i);
            uint32_t b = 1u << 21, g = 1u << 21, r = 1u << 21, a = 1u << 21;
            for (int k = 0; k < taps; ++k) {
                const uint32_t wk = wx[k];
                b += wk * from[4 * k];
                g += wk * from[4 * k + 1];
                r += wk * from[4 * k + 2];
                a += wk * from[4 * k + 3];
            }
            to[4 * i] = static_cast<uint8_t>(b >> 22);
            to[4 * i + 1] = static_cast<uint8_t>(g >> 22);
            to[4 * i + 2] = static_cast<uint8_t>(r >> 22);
            to[4 * i + 3] = static_cast<uint8_t>(a >> 22);
        }
    }
}

uint32_t SpritePicture::SampleAt(double x, double y, int levelIndex) const {
    if (Empty()) return 0;
    levelIndex = std::max(0, std::min(levelIndex, LevelCount() - 1));
    const Level& level = levels_[levelIndex];
    const double factor = std::ldexp(1.0, levelIndex);
    const double lx = x / factor - 0.5, ly = y / factor - 0.5;
    const double fx = std::floor(lx), fy = std::floor(ly);
    const int64_t x0 = static_cast<int64_t>(fx), y0 = static_cast<int64_t>(fy);
    const double tx = lx - fx, ty = ly - fy;
    // Outside the picture counts as transparent, which softens the turned picture's edges.
    double total[4] = {0, 0, 0, 0};
    for (int dy = 0; dy < 2; ++dy) {
        const int64_t py = y0 + dy;
        if (py < 0 || py >= level.height) continue;
        const double wy = dy ? ty : 1.0 - ty;
        for (int dx = 0; dx < 2; ++dx) {
            const int64_t px = x0 + dx;
            if (px < 0 || px >= level.width) continue;
            const double weight = wy * (dx ? tx : 1.0 - tx);
            const uint8_t* p = level.bgra.data() + (size_t(py) * level.width + size_t(px)) * 4;
            for (int c = 0; c < 4; ++c) total[c] += weight * p[c];
        }
    }
    uint32_t pixel = 0;
    for (int c = 0; c < 4; ++c) {
        pixel |= static_cast<uint32_t>(std::min(255.0, total[c] + 0.5)) << (8 * c);
    }
    return pixel;
}
