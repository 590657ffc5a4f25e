#include "thumbs/stretch.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

namespace veldrin {
namespace {

// Keeps every intermediate sum of the box filter inside 32 bits and every picture addressable.
constexpr int kMaxSide = 1 << 23;
constexpr std::int64_t kMaxPixels = std::int64_t(1) << 28;

constexpr std::uint32_t kOpaque = 0xFF000000u;
constexpr std::uint32_t kColourBits = 0x00FFFFFFu;

// One axis of the area-weighted filter. With a source pixel measured as targetSize/g units and a
// target pixel as sourceSize/g units, every overlap is a whole number, so the average is exact.
struct BoxAxis {
    std::vector<int> first;             // first source index under each target index
    std::vector<int> offset;            // where each target's weights start in weights; one extra at the end
    std::vector<std::uint32_t> weights; // overlap of each covered source pixel, in units
    std::uint32_t total = 0;            // sum of the weights of one target
};

BoxAxis boxAxis(int sourceSize, int targetSize) {
    const int g = std::gcd(sourceSize, targetSize);
    const std::int64_t sourceUnits = targetSize / g;
    const std::int64_t targetUnits = sourceSize / g;
    BoxAxis axis;
    axis.total = static_cast<std::uint32_t>(targetUnits);
    axis.first.resize(targetSize);
    axis.offset.resize(targetSize + 1);
    axis.weights.reserve(static_cast<std::size_t>(sourceSize) + targetSize);
    for (int t = 0; t < targetSize; ++t) {
        const std::int64_t begin = t * targetUnits;
        const std::int64_t end = begin + targetUnits;
        const std::int64_t firstSource = begin / sourceUnits;
        const std::int64_t lastSource = (end + sourceUnits - 1) / sourceUnits; // one past
        axis.first[t] = static_cast<int>(firstSource);
        axis.offset[t] = static_cast<int>(axis.weights.size());
        for (std::int64_t i = firstSource; i < lastSource; ++i) {
            const std::int64_t from = std::max(i * sourceUnits, begin);
            const std::int64_t to = std::min((i + 1) * sourceUnits, end);
            axis.weights.push_back(static_cast<std::uint32_t>(to - from));
        }
    }
    axis.offset[targetSize] = static_cast<int>(axis.weights.size());
    return axis;
}

Bitmap halftone(const Bitmap& source, int width, int height) {
    const BoxAxis ax = boxAxis(source.width, width);
    const BoxAxis ay = boxAxis(source.height, height);

    // Horizontal pass: weighted sums of blue, green and red for every source row.
    const std::size_t rowValues = static_cast<std::size_t>(width) * 3;
    std::vector<std::uint32_t> sums(rowValues * source.height);
    for (int y = 0; y < source.height; ++y) {
        const std::uint32_t* in = source.row(y);
        std::uint32_t* out = sums.data() + rowValues * y;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t* px = in + ax.first[x];
            std::uint32_t b = 0, g = 0, r = 0;
            for (int k = ax.offset[x], end = ax.offset[x + 1]; k < end; ++k, ++px) {
                const std::uint32_t w = ax.weights[k];
                b += w * (*px & 0xFF);
                g += w * ((*px >> 8) & 0xFF);
                r += w * ((*px >> 16) & 0xFF);
            }
            out[3 * x] = b;
            out[3 * x + 1] = g;
            out[3 * x + 2] = r;
        }
    }

    // Vertical pass over whole rows, so the inner loop runs along memory.
    Bitmap result{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    const std::uint64_t divisor = std::uint64_t(ax.total) * ay.total;
    const std::uint64_t half = divisor / 2;
    std::vector<std::uint64_t> acc(rowValues);
    for (int y = 0; y < height; ++y) {
        std::fill(acc.begin(), acc.end(), 0);
        const std::uint32_t* rowSums = sums.data() + rowValues * ay.first[y];
        for (int k = ay.offset[y], end = ay.offset[y + 1]; k < end; ++k, rowSums += rowValues) {
            const std::uint64_t w = ay.weights[k];
            for (std::size_t i = 0; i < rowValues; ++i)
                acc[i] += w * rowSums[i];
        }
        std::uint32_t* out = result.row(y);
        for (int x = 0; x < width; ++x) {
            const auto b = static_cast<std::uint32_t>((acc[3 * x] + half) / divisor);
            const auto g = static_cast<std::uint32_t>((acc[3 * x + 1] + half) / divisor);
            const auto r = static_cast<std::uint32_t>((acc[3 * x + 2] + half) / divisor);
            out[x] = kOpaque | (r << 16) | (g << 8) | b;
        }
    }
    return result;
}

// The source pixel whose area holds the centre of target pixel t.
std::vector<int> nearestAxis(int sourceSize, int targetSize) {
    std::vector<int> map(targetSize);
    for (int t = 0; t < targetSize; ++t)
        map[t] = static_cast<int>((2 * std::int64_t(t) + 1) * sourceSize / (2 * std::int64_t(targetSize)));
    return map;
}

Bitmap nearest(const Bitmap& source, int width, int height) {
    const std::vector<int> mx = nearestAxis(source.width, width);
    const std::vector<int> my = nearestAxis(source.height, height);
    Bitmap result{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* in = source.row(my[y]);
        std::uint32_t* out = result.row(y);
        for (int x = 0; x < width; ++x)
            out[x] = in[mx[x]] | kOpaque;
    }
    return result;
}

// Source ranges for the AND and OR modes: when shrinking, every source pixel falls on the target
// pixel that holds its centre; when enlarging, a target pixel takes the single nearest source pixel.
// first has targetSize + 1 entries; target t takes sources first[t] .. first[t + 1] - 1.
std::vector<int> combineAxis(int sourceSize, int targetSize) {
    std::vector<int> first(targetSize + 1);
    if (sourceSize <= targetSize) {
        const std::vector<int> map = nearestAxis(sourceSize, targetSize);
        for (int t = 0; t < targetSize; ++t)
            first[t] = map[t];
        first[targetSize] = map[targetSize - 1] + 1; // ranges of one: end = start + 1 below
        return first;
    }
    // Smallest i with (2i + 1) * targetSize >= 2 * t * sourceSize.
    for (int t = 0; t <= targetSize; ++t) {
        const std::int64_t num = 2 * std::int64_t(t) * sourceSize - targetSize;
        const std::int64_t den = 2 * std::int64_t(targetSize);
        first[t] = num <= 0 ? 0 : static_cast<int>((num + den - 1) / den);
    }
    return first;
}

template <bool UseAnd> Bitmap combine(const Bitmap& source, int width, int height) {
    const bool enlargeX = source.width <= width;
    const bool enlargeY = source.height <= height;
    const std::vector<int> fx = combineAxis(source.width, width);
    const std::vector<int> fy = combineAxis(source.height, height);
    auto endOf = [](const std::vector<int>& first, bool enlarge, int t) {
        return enlarge ? first[t] + 1 : first[t + 1];
    };
    auto fold = [](std::uint32_t a, std::uint32_t b) { return UseAnd ? (a & b) : (a | b); };

    std::vector<std::uint32_t> rows(static_cast<std::size_t>(width) * source.height);
    for (int y = 0; y < source.height; ++y) {
        const std::uint32_t* in = source.row(y);
        std::uint32_t* out = rows.data() + static_cast<std::size_t>(width) * y;
        for (int x = 0; x < width; ++x) {
            std::uint32_t v = in[fx[x]];
            for (int i = fx[x] + 1, end = endOf(fx, enlargeX, x); i < end; ++i)
                v = fold(v, in[i]);
            out[x] = v;
        }
    }
    Bitmap result{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    for (int y = 0; y < height; ++y) {
        std::uint32_t* out = result.row(y);
        const std::uint32_t* in = rows.data() + static_cast<std::size_t>(width) * fy[y];
        std::copy(in, in + width, out);
        for (int j = fy[y] + 1, end = endOf(fy, enlargeY, y); j < end; ++j) {
            in = rows.data() + static_cast<std::size_t>(width) * j;
            for (int x = 0; x < width; ++x)
                out[x] = fold(out[x], in[x]);
        }
        for (int x = 0; x < width; ++x)
            out[x] = (out[x] & kColourBits) | kOpaque;
    }
    return result;
}

bool usable(const Bitmap& b) {
    return !b.isNull() && b.width <= kMaxSide && b.height <= kMaxSide &&
           b.pixels.size() == static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.height);
}

} // namespace

Bitmap stretchCopy(const Bitmap& source, int width, int height, int mode) {
    if (!usable(source) || width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return {};
    if (std::int64_t(width) * height > kMaxPixels || std::int64_t(width) * source.height > kMaxPixels)
        return {};
    switch (static_cast<StretchMode>(mode)) {
    case StretchMode::Halftone:
        return halftone(source, width, height);
    case StretchMode::ColorOnColor:
        return nearest(source, width, height);
    case StretchMode::WhiteOnBlack:
        return combine<false>(source, width, height);
    case StretchMode::BlackOnWhite:
    default:
        return combine<true>(source, width, height);
    }
}

} // namespace veldrin
