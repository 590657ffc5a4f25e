#include "facts_read_ahead.h"

#include "startup/native_name.h"
#include "thumbs/thumbnail_pool.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace veldrin {
namespace {

constexpr int kAhead = 512;
constexpr int kBatch = 64;

std::vector<FileFacts> readFolder(const QString& folder, const std::vector<QString>& names) {
    int fd;
    do {
        fd = ::open(toNativeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    std::vector<FileFacts> facts;
    facts.reserve(names.size());
    // A folder that cannot be opened leaves each file to its whole path, and its own error.
    for (const QString& name : names)
        facts.push_back(readFileFacts(fd, folder, name, true));
    if (fd >= 0)
        ::close(fd);
    return facts;
}

} // namespace

FactsReadAhead::FactsReadAhead(RunContext& run) : m_run(run) {
    // A second thread beside the run's: not when the user keeps to one worker.
    m_active = run.outputType() == u"1" && run.on(u"TRUERATIO") &&
               thumbnailWorkerCount(run.env.values.thumbnailWorkers) > 1;
    m_pool.setMaxThreadCount(1);
}

FactsReadAhead::~FactsReadAhead() {
    m_pool.clear();
    m_pool.waitForDone();
}

// TGA files are measured by decoding them, and their conversion may rewrite a later entry's file;
// the run writes HTML pages, which a list of every file may hold.
bool FactsReadAhead::mayChange(int index) const {
    const QString& name = m_run.FoundFiles[static_cast<size_t>(index)].FileName;
    return name.right(4).toLower() == u".tga" || name.toLower().contains(u".htm");
}

void FactsReadAhead::advance(int index) {
    if (!m_active)
        return;
    while (!m_batches.empty() && m_batches.front().entries.back() < index)
        m_batches.pop_front();
    const int count = static_cast<int>(m_run.FoundFiles.size());
    m_next = std::max(m_next, index);
    while (m_next < count && m_next <= index + kAhead) {
        if (m_next > index &&
            m_run.FoundFiles[static_cast<size_t>(m_next - 1)].FileName.right(4).toLower() == u".tga" &&
            m_run.env.values.TgaConversionAnswer != 2)
            break;
        if (mayChange(m_next)) {
            ++m_next;
            continue;
        }
        const QString& subFolder = m_run.FoundFiles[static_cast<size_t>(m_next)].SubFolder;
        Batch batch;
        std::vector<QString> names;
        while (m_next < count && static_cast<int>(batch.entries.size()) < kBatch &&
               m_run.FoundFiles[static_cast<size_t>(m_next)].SubFolder == subFolder && !mayChange(m_next)) {
            batch.entries.push_back(m_next);
            names.push_back(m_run.FoundFiles[static_cast<size_t>(m_next)].FileName);
            ++m_next;
        }
        auto promise = std::make_shared<std::promise<std::vector<FileFacts>>>();
        batch.pending = promise->get_future();
        m_pool.start([promise, folder = m_run.TargetFolder + subFolder, names = std::move(names)] {
            try {
                promise->set_value(readFolder(folder, names));
            } catch (...) {
                promise->set_exception(std::current_exception());
            }
        });
        m_batches.push_back(std::move(batch));
    }
}

std::optional<FileFacts> FactsReadAhead::take(int index) {
    for (Batch& batch : m_batches) {
        if (index < batch.entries.front() || index > batch.entries.back())
            continue;
        const auto at = std::lower_bound(batch.entries.begin(), batch.entries.end(), index);
        if (at == batch.entries.end() || *at != index)
            return std::nullopt;
        if (batch.pending.valid()) {
            try {
                batch.facts = batch.pending.get();
            } catch (...) {
                batch.facts
                    .clear(); // the worker ran out of memory: these entries read their files themselves
            }
        }
        if (batch.facts.size() != batch.entries.size())
            return std::nullopt;
        return std::move(batch.facts[static_cast<size_t>(at - batch.entries.begin())]);
    }
    return std::nullopt;
}

} // namespace veldrin
