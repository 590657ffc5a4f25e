#pragma once

#include <QString>

#include <vector>

namespace veldrin {

// One file found by the search: its folder relative to the search root (empty for the root,
// otherwise folder names each followed by "/") and its name.
struct FoundFile {
    QString SubFolder;
    QString FileName;

    bool operator==(const FoundFile&) const = default;
};

using FoundFileList = std::vector<FoundFile>;

} // namespace veldrin
