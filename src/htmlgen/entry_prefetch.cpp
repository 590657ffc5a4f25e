#include "entry_prefetch.h"

#include "thumbs/thumbnail.h"

#include <algorithm>

namespace veldrin {

EntryPrefetch::EntryPrefetch(RunContext& run, ListedFiles& listed) : m_run(run), m_listed(listed) {
    // Only thumbnails at the measured size have pixel work to share; settings do not change during
    // the loop, since the window's controls are disabled.
    m_active = run.outputType() == u"1" && run.on(u"TRUERATIO") && run.on(u"CREATESPIC") &&
               run.env.values.JpegLibraryAvailable() && stretchMode(run.env.settings).has_value();
    if (!m_active)
        return;
    const int workers = thumbnailWorkerCount(run.env.values.thumbnailWorkers);
    m_lookahead = 2 * workers;
    m_pool.emplace(workers);
}

bool EntryPrefetch::isTga(int index) const {
    return m_run.FoundFiles[static_cast<size_t>(index)].FileName.right(4).toLower() == u".tga";
}

void EntryPrefetch::advance(int index) {
    if (!m_active)
        return;
    const int count = static_cast<int>(m_run.FoundFiles.size());
    m_next = std::max(m_next, index);
    while (m_next < count && m_next <= index + m_lookahead) {
        if (m_next > index && isTga(m_next - 1) && m_run.env.values.TgaConversionAnswer != 2)
            break;
        prepare(m_next++);
    }
}

void EntryPrefetch::prepare(int index) {
    if (isTga(index))
        return; // measured by decoding it, which the entry does with the conversion's picture
    const FoundFile& found = m_run.FoundFiles[static_cast<size_t>(index)];
    const QString path = m_run.TargetFolder + found.SubFolder + found.FileName;
    Prepared ahead;
    ahead.facts = m_listed.read(found.SubFolder, found.FileName, true);
    const DisplaySize size = fitDisplaySize(measureFacts(ahead.facts), m_run.env.settings, nullptr);
    if (size.SizeKnown) {
        ahead.width = size.DisplayWidth;
        ahead.height = size.DisplayHeight;
        ahead.pixels =
            m_pool->start({path, size.DisplayWidth, size.DisplayHeight, *stretchMode(m_run.env.settings)});
    }
    m_ahead.emplace(index, std::move(ahead));
}

std::optional<Prepared> EntryPrefetch::take(int index) {
    const auto it = m_ahead.find(index);
    if (it == m_ahead.end())
        return std::nullopt;
    Prepared prepared = std::move(it->second);
    m_ahead.erase(it);
    return prepared;
}

} // namespace veldrin
