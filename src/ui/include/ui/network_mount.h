#pragma once

#include <QString>

#include <memory>

class QWidget;

namespace veldrin::ui {

struct MountResult {
    bool mounted = false;
    QString error;     // the mounter's own message when mounted is false
    QString localPath; // where the mounted location can be read as folders, "" when nowhere
};

// Mounts a network location (smb://, sftp://, ftp://, dav://) so that its folders can be browsed.
// The folder dialog talks to this interface only; tests give it a fake.
class NetworkMount {
public:
    virtual ~NetworkMount() = default;

    // Mounts location, asking for a password in a dialog over parent when the server wants one. A
    // location that is already mounted counts as mounted.
    virtual MountResult mount(const QString& location, QWidget* parent) = 0;
};

// The desktop's own mounter (GIO, as the file manager uses it).
std::unique_ptr<NetworkMount> makeGioNetworkMount();

} // namespace veldrin::ui
