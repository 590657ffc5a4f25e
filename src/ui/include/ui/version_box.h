#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace veldrin::ui {

// What the version box tells about the machine. A name that cannot be read is absent. The paging
// figures are the kernel's commit limit and what is left of it.
struct HostFacts {
    std::optional<QString> computerName;
    std::optional<QString> userName;
    std::uint64_t totalPhysical = 0;
    std::uint64_t availablePhysical = 0;
    std::uint64_t totalPaging = 0;
    std::uint64_t availablePaging = 0;
};

// The facts of the machine the program runs on: gethostname, the password entry of the real user,
// sysinfo and /proc/meminfo.
HostFacts readHostFacts();

// The version box's text, lines joined by CR LF and no break after the last one.
QString versionText(const HostFacts& facts);

} // namespace veldrin::ui
