#pragma once

#include "imageinfo/bitmap.h"

#include <QString>
#include <QThreadPool>

#include <future>

namespace veldrin {

// The pixel work of one thumbnail: the picture to load and the size and stretch mode to scale it to.
struct ThumbnailJob {
    QString path;
    int width = 0;
    int height = 0;
    int stretchMode = 0;
};

// What the pixel work gave: the scaled thumbnail (empty when the picture gave none), or the loader's
// error description for the information line.
struct ThumbnailPixels {
    Bitmap picture;
    bool loadFailed = false;
    QString loadError;
};

// Loads and scales as thumbnail creation does on its own. Failures other than the loader's and the
// scaler's own travel in the exception they raised.
ThumbnailPixels makeThumbnailPixels(const ThumbnailJob& job);

// How many workers make thumbnails: requested when above 0, else the environment variable
// VELDRIN_WORKERS when it holds a number above 0, else one for each core.
int thumbnailWorkerCount(int requested);

// A few worker threads that make thumbnail pixels ahead of the run. They touch neither the window
// nor the settings and write no file; the run takes the results in its own order. Destruction drops
// the jobs not begun and waits for those under way, one picture each at most.
class ThumbnailPool {
public:
    explicit ThumbnailPool(int workers);
    ~ThumbnailPool();
    ThumbnailPool(const ThumbnailPool&) = delete;
    ThumbnailPool& operator=(const ThumbnailPool&) = delete;

    std::future<ThumbnailPixels> start(ThumbnailJob job);

private:
    QThreadPool m_pool;
};

} // namespace veldrin
