#pragma once

#include "htmlgen/run_context.h"
#include "imageinfo/file_facts.h"

#include <QThreadPool>

#include <deque>
#include <future>
#include <optional>
#include <vector>

namespace veldrin {

// Lists of measured thumbnails without thumbnail files: one worker reads the facts (status and
// header) of the next files, folder by folder, while the run writes the entries before them, so the
// file system's part of the work overlaps the page's. It skips names the run itself may write (HTML
// pages) and never reads past a TGA entry that may still be converted; those are read at their entry.
class FactsReadAhead {
public:
    explicit FactsReadAhead(RunContext& run);
    ~FactsReadAhead();
    FactsReadAhead(const FactsReadAhead&) = delete;
    FactsReadAhead& operator=(const FactsReadAhead&) = delete;

    // Starts reading for the entries after index, a few hundred ahead.
    void advance(int index);
    // The facts read ahead for entry index; nothing when it was left to its entry.
    std::optional<FileFacts> take(int index);

private:
    struct Batch {
        int first = 0;
        std::vector<int> entries; // indices, ascending, in one folder
        std::future<std::vector<FileFacts>> pending;
        std::vector<FileFacts> facts;
    };
    bool mayChange(int index) const;

    RunContext& m_run;
    bool m_active = false;
    int m_next = 0;
    std::deque<Batch> m_batches;
    QThreadPool m_pool; // last: destroyed first, so no worker outlives the batches
};

} // namespace veldrin
