#include "ui/version_box.h"

#include "startup/startup.h"
#include "startup/vb_runtime.h"

#include <QFile>
#include <QStringList>

#include <pwd.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

namespace veldrin::ui {
namespace {

constexpr int kMajor = 1;
constexpr int kMinor = 25;
constexpr int kRevision = 3;

QString bytes(std::uint64_t count) {
    // The pattern leaves a zero without any digit; a count of nothing still reads "0Byte".
    const QString digits = formatNumber(static_cast<double>(count), u"####,###,###,###");
    return (digits.isEmpty() ? QStringLiteral("0") : digits) + QStringLiteral("Byte");
}

// The whole part of the used share in percent, in integers so that 70 % never comes out as 69.
QString usage(std::uint64_t total, std::uint64_t available) {
    if (total == 0)
        return QStringLiteral("0%");
    const auto used = static_cast<unsigned __int128>(total - std::min(available, total));
    return QString::number(static_cast<std::uint64_t>(used * 100 / total)) + u'%';
}

// The kB figures of /proc/meminfo that the box needs, in bytes; -1 for one that is missing.
struct MemInfo {
    long long available = -1;
    long long commitLimit = -1;
    long long committed = -1;
};

MemInfo readMemInfo() {
    MemInfo info;
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return info;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2)
            continue;
        bool ok = false;
        const long long kb = fields[1].toLongLong(&ok);
        if (!ok)
            continue;
        if (fields[0] == "MemAvailable:")
            info.available = kb * 1024;
        else if (fields[0] == "CommitLimit:")
            info.commitLimit = kb * 1024;
        else if (fields[0] == "Committed_AS:")
            info.committed = kb * 1024;
    }
    return info;
}

} // namespace

HostFacts readHostFacts() {
    HostFacts facts;
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) == 0 && host[0] != '\0')
        facts.computerName = QString::fromLocal8Bit(host);
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name && entry->pw_name[0] != '\0')
        facts.userName = QString::fromLocal8Bit(entry->pw_name);

    const MemInfo mem = readMemInfo();
    struct sysinfo info {};
    if (::sysinfo(&info) == 0) {
        const std::uint64_t unit = info.mem_unit ? info.mem_unit : 1;
        facts.totalPhysical = std::uint64_t(info.totalram) * unit;
        facts.availablePhysical = mem.available >= 0 ? std::uint64_t(mem.available)
                                                     : std::uint64_t(info.freeram + info.bufferram) * unit;
    }
    if (mem.commitLimit >= 0) {
        facts.totalPaging = std::uint64_t(mem.commitLimit);
        // Linux lets commitments pass the limit; nothing is left then.
        facts.availablePaging = std::uint64_t(std::max(0LL, mem.commitLimit - std::max(0LL, mem.committed)));
    }
    return facts;
}

QString versionText(const HostFacts& facts) {
    QStringList lines;
    lines << AppTitle() + QStringLiteral(" Version ") + QString::number(kMajor) + u'.' +
                 formatNumber(kMinor, u"00") + QStringLiteral("  (Rev:") + QString::number(kRevision) + u')';
    lines << QStringLiteral("フォルダの画像から Shift_JIS の HTML カタログを作る Linux 版です。");
    lines << QString();
    if (facts.computerName)
        lines << QStringLiteral("コンピュータ名 : ") + *facts.computerName;
    if (facts.userName)
        lines << QStringLiteral("ユーザー名 : ") + *facts.userName;
    lines << QStringLiteral("全物理メモリ : ") + bytes(facts.totalPhysical);
    lines << QStringLiteral("空き物理メモリ : ") + bytes(facts.availablePhysical);
    lines << QStringLiteral("メモリ使用率 : ") + usage(facts.totalPhysical, facts.availablePhysical);
    lines << QStringLiteral("全仮想メモリ : ") + bytes(facts.totalPaging);
    lines << QStringLiteral("空き仮想メモリ : ") + bytes(facts.availablePaging);
    lines << QStringLiteral("仮想ﾒﾓﾘ使用率 : ") + usage(facts.totalPaging, facts.availablePaging);
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace veldrin::ui
