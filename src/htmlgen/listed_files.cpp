#include "listed_files.h"

#include "startup/native_name.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace veldrin {

ListedFiles::~ListedFiles() {
    for (const Folder& folder : m_folders) {
        if (folder.fd >= 0)
            ::close(folder.fd);
    }
}

int ListedFiles::folderFd(const QString& subFolder) {
    for (const Folder& folder : m_folders) {
        if (folder.used && folder.subFolder == subFolder)
            return folder.fd;
    }
    Folder& slot = m_folders[static_cast<size_t>(m_nextSlot)];
    m_nextSlot = (m_nextSlot + 1) % static_cast<int>(m_folders.size());
    if (slot.fd >= 0)
        ::close(slot.fd);
    const QByteArray path = toNativeName(m_target + subFolder);
    do {
        slot.fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (slot.fd < 0 && errno == EINTR);
    // A folder that cannot be opened leaves its files to be reached by their whole paths, which then
    // give each file's own error.
    slot.subFolder = subFolder;
    slot.used = true;
    return slot.fd;
}

FileFacts ListedFiles::read(const QString& subFolder, const QString& fileName, bool header) {
    return readFileFacts(folderFd(subFolder), m_target + subFolder, fileName, header);
}

} // namespace veldrin
