#include "drop_root.h"

#include <cstdlib>
#include <unistd.h>

namespace veldrin::testing {

DropRoot::DropRoot() {
    if (::geteuid() == 0) {
        if (::setegid(65534) != 0 || ::seteuid(65534) != 0)
            std::abort();
        m_dropped = true;
    }
}

DropRoot::~DropRoot() {
    if (m_dropped) {
        if (::seteuid(0) != 0 || ::setegid(0) != 0)
            std::abort();
    }
}

} // namespace veldrin::testing
