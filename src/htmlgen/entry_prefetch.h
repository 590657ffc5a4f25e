#pragma once

#include "htmlgen/run_context.h"
#include "imageinfo/display_size.h"
#include "listed_files.h"
#include "thumbs/thumbnail_pool.h"

#include <future>
#include <map>
#include <optional>

namespace veldrin {

// What was made ahead for one entry: its file's facts and, when a thumbnail is due, the future
// pixels of a width x height thumbnail.
struct Prepared {
    FileFacts facts;
    std::future<ThumbnailPixels> pixels;
    int width = 0;
    int height = 0;
};

// Thumbnail lists: measures the next pictures on the run's thread and hands their pixel work to the
// worker pool, so that the workers decode while the run writes. Nothing here asks, tells or writes:
// the entries still ask their questions, show their errors and name their files in list order. It
// never reads past a TGA entry that may still be converted, since the conversion writes a file that
// a later entry may show.
class EntryPrefetch {
public:
    EntryPrefetch(RunContext& run, ListedFiles& listed);

    // Whether this is a list whose thumbnails are made ahead.
    bool active() const { return m_active; }
    // Prepares the entries from index on, up to a few per worker ahead.
    void advance(int index);
    // What was prepared for entry index, taken out; nothing when it was not prepared.
    std::optional<Prepared> take(int index);

private:
    bool isTga(int index) const;
    void prepare(int index);

    RunContext& m_run;
    ListedFiles& m_listed;
    bool m_active = false;
    int m_lookahead = 0;
    int m_next = 0;
    std::map<int, Prepared> m_ahead;
    std::optional<ThumbnailPool> m_pool; // last: destroyed first, so no worker outlives the entries
};

} // namespace veldrin
