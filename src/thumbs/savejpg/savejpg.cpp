#include "savejpg.h"

#include "startup/atomic_write.h"

#include <cerrno>

#include <turbojpeg.h>

namespace {

// The largest side a baseline JPEG header can carry.
constexpr int kMaxSide = 65500;

// Below this quality the eye cannot tell halved chroma from full chroma, and the files are smaller;
// above it the sharp colour edges of small thumbnails are worth the bytes.
constexpr int kFullChromaQuality = 90;

struct Compressor {
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    ~Compressor() {
        tjFree(jpeg);
        if (handle)
            tjDestroy(handle);
    }
};

} // namespace

extern "C" __attribute__((visibility("default"))) int DCSavetoJPEG(const void* pixels, int stride, int width,
                                                                   int height, const char* fileName,
                                                                   int quality, int progressive) {
    if (!pixels || !fileName || !*fileName)
        return SAVEJPG_BAD_ARGUMENT;
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide || stride / 4 < width)
        return SAVEJPG_BAD_ARGUMENT;
    quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;

    Compressor c;
    if (!c.handle)
        return SAVEJPG_ENCODE_FAILED;
    unsigned long size = 0;
    const int subsampling = quality >= kFullChromaQuality ? TJSAMP_444 : TJSAMP_420;
    const int flags = progressive ? TJFLAG_PROGRESSIVE : 0;
    if (tjCompress2(c.handle, static_cast<const unsigned char*>(pixels), width, stride, height, TJPF_BGRX,
                    &c.jpeg, &size, subsampling, quality, flags) != 0)
        return SAVEJPG_ENCODE_FAILED;

    // The rename alone keeps an interrupted save from leaving half a file; a thumbnail can always be
    // made again, so it does not wait for the disk, which would halve the speed of a run.
    // errno tells the caller why a write failed.
    if (const int error = veldrin::atomicWriteFile(fileName, c.jpeg, size, veldrin::Durability::Renamed)) {
        errno = error;
        return SAVEJPG_WRITE_FAILED;
    }
    return SAVEJPG_OK;
}
