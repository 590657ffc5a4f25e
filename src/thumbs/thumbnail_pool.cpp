#include "thumbs/thumbnail_pool.h"

#include "startup/errors.h"
#include "thumbs/picture_loader.h"
#include "thumbs/stretch.h"

#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace veldrin {

ThumbnailPixels makeThumbnailPixels(const ThumbnailJob& job) {
    ThumbnailPixels made;
    Bitmap loaded;
    try {
        loaded = loadPicture(job.path, job.width, job.height);
    } catch (const VeldrinError& e) {
        made.loadFailed = true;
        made.loadError = e.description();
        return made;
    }
    if (loaded.isNull())
        return made;
    try {
        made.picture = stretchCopy(loaded, job.width, job.height, job.stretchMode);
    } catch (const VeldrinError&) {
        made.picture = Bitmap{}; // a failed scaling leaves no thumbnail; the entry uses the picture
    }
    return made;
}

int thumbnailWorkerCount(int requested) {
    if (requested > 0)
        return requested;
    if (const char* text = std::getenv("VELDRIN_WORKERS")) {
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && n > 0)
            return static_cast<int>(std::min(n, 64L));
    }
    return std::max(1, QThread::idealThreadCount());
}

ThumbnailPool::ThumbnailPool(int workers) {
    m_pool.setMaxThreadCount(std::max(1, workers));
}

ThumbnailPool::~ThumbnailPool() {
    m_pool.clear();
    m_pool.waitForDone();
}

std::future<ThumbnailPixels> ThumbnailPool::start(ThumbnailJob job) {
    auto promise = std::make_shared<std::promise<ThumbnailPixels>>();
    std::future<ThumbnailPixels> result = promise->get_future();
    m_pool.start([promise, job = std::move(job)] {
        // Whatever the work raises reaches the run where it takes the result, as if it had done the
        // work itself.
        try {
            promise->set_value(makeThumbnailPixels(job));
        } catch (...) {
            promise->set_exception(std::current_exception());
        }
    });
    return result;
}

} // namespace veldrin
