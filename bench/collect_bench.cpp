// Times the folder search plus the sort over a tree of 100,000 files in 1,000 folders next to
// `find` over the same tree. Not a test: run it by hand.
//
//   collect_bench [folders [files-per-folder [parent-folder]]]     (default 1000 x 100 in /tmp)

#include "collect/search.h"
#include "collect/sort.h"
#include "startup/settings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using namespace veldrin;

namespace {

// A window that shows nothing and is never stopped.
class SilentHost : public RunHost {
public:
    void setInfo(const QString&) override {}
    void setCaption(const QString&) override {}
    void processEvents() override {}
    void beep() override {}
    MessageAnswer showMessage(const MessageBoxRequest&) override { return MessageAnswer::Abort; }
    bool stopRequested() const override { return false; }
    ScreenSize screenSize() const override { return {}; }
    void openFile(const QString&, const QString&) override {}
    QString associatedProgram(const QString&, const QString&) override { return {}; }
};

double seconds(QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    const int folders = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int perFolder = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100;
    QTemporaryDir root(QString::fromLocal8Bit(argc > 3 ? argv[3] : "/tmp") +
                       QStringLiteral("/collect-bench-XXXXXX"));
    if (!root.isValid())
        return 1;
    const char* suffixes[] = {"jpg", "png", "gif", "bmp", "txt"};
    for (int f = 0; f < folders; ++f) {
        // Two levels, so that the search recurses as it does in a real photo archive.
        const QString folder =
            root.filePath(QStringLiteral("year%1/roll%2").arg(f / 50).arg(f, 4, 10, QLatin1Char('0')));
        QDir().mkpath(folder);
        for (int i = 0; i < perFolder; ++i) {
            const QString name = folder +
                                 QStringLiteral("/IMG_%1.").arg(perFolder - i, 5, 10, QLatin1Char('0')) +
                                 QLatin1String(suffixes[i % 5]);
            const int fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0)
                return 1;
            ::close(fd);
        }
    }
    std::printf("%d files in %d folders\n", folders * perFolder, folders);

    Settings s = defaultSettings(QStringLiteral("/"));
    RecordSettingsAccess settings(s);
    SilentHost host;
    const QString rootPath = root.path() + u'/';
    const QByteArray findCommand = "find '" + QFile::encodeName(root.path()) + "' -type f > /dev/null";

    double bestFind = 1e300, bestSearch = 1e300, bestSort = 1e300;
    int found = 0;
    for (int round = 0; round < 4; ++round) {
        QElapsedTimer timer;
        timer.start();
        if (std::system(findCommand.constData()) != 0)
            return 1;
        if (round > 0) // the first round warms the caches
            bestFind = std::min(bestFind, seconds(timer));
        FoundFileList list;
        timer.restart();
        found = SearchFile(rootPath, QString(), true, list, 0, settings, host);
        const double search = seconds(timer);
        timer.restart();
        QuickSortFiles(list, 0, found - 1, settings);
        const double sort = seconds(timer);
        if (round > 0) {
            bestSearch = std::min(bestSearch, search);
            bestSort = std::min(bestSort, sort);
        }
    }
    std::printf("find -type f:            %8.1f ms\n", bestFind * 1000);
    std::printf("SearchFile (%d found): %8.1f ms\n", found, bestSearch * 1000);
    std::printf("QuickSortFiles:          %8.1f ms\n", bestSort * 1000);
    std::printf("search + sort / find:    %8.2f (goal: 1.5 or less)\n", (bestSearch + bestSort) / bestFind);
    return 0;
}
