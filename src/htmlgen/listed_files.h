#pragma once

#include "imageinfo/file_facts.h"

#include <QString>

#include <array>

namespace veldrin {

// Reads the facts of the listed files relative to their folder (openat), keeping the folders last
// used open: the list is sorted by folder, so each folder is opened about once, and no file is
// reached through its whole path.
class ListedFiles {
public:
    explicit ListedFiles(const QString& targetFolder) : m_target(targetFolder) {}
    ~ListedFiles();
    ListedFiles(const ListedFiles&) = delete;
    ListedFiles& operator=(const ListedFiles&) = delete;

    FileFacts read(const QString& subFolder, const QString& fileName, bool header);

private:
    struct Folder {
        QString subFolder;
        int fd = -1;
        bool used = false;
    };
    int folderFd(const QString& subFolder);

    QString m_target;
    // Two: the entries and the read-ahead may be in neighbouring folders.
    std::array<Folder, 2> m_folders;
    int m_nextSlot = 0;
};

} // namespace veldrin
