#pragma once

#include <sys/types.h>

namespace veldrin::testing {

// Permission tests mean nothing to root, who may write anywhere. While an object of this class
// lives, a test that runs as root acts as the unprivileged user "nobody" (65534); the folders it
// uses must be reachable by that user.
class DropRoot {
public:
    DropRoot();
    ~DropRoot();
    DropRoot(const DropRoot&) = delete;
    DropRoot& operator=(const DropRoot&) = delete;

private:
    bool m_dropped = false;
};

} // namespace veldrin::testing
