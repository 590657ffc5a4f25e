// Times GetImageInfo over a tree of small picture files next to a bare loop that opens each file and
// reads its first 32 bytes, the least any header reader can do. Not a test: run it by hand.
//
//   imageinfo_bench [folders [files-per-folder [parent-folder]]]     (default 1000 x 100 in /tmp)

#include "picture_bytes.h"

#include "imageinfo/image_info.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace veldrin;
using namespace veldrin::testing;

namespace {

bool writeBytes(const QByteArray& path, const QByteArray& bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && ok;
}

long long bareLoop(const std::vector<QString>& paths) {
    long long sum = 0;
    char head[32];
    for (const QString& path : paths) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::read(fd, head, sizeof head) > 8)
            sum += head[7];
        ::close(fd);
    }
    return sum;
}

long long infoLoop(const std::vector<QString>& paths) {
    long long sum = 0;
    for (const QString& path : paths)
        sum += GetImageInfo(path, 0).Width;
    return sum;
}

} // namespace

int main(int argc, char** argv) {
    const int folders = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int perFolder = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100;
    QTemporaryDir root(QString::fromLocal8Bit(argc > 3 ? argv[3] : "/tmp") +
                       QStringLiteral("/imageinfo-bench-XXXXXX"));
    if (!root.isValid()) {
        std::fprintf(stderr, "cannot create the tree\n");
        return 1;
    }

    const QByteArray app0 = jpegSegment(0xE0, QByteArray("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
    const QByteArray kinds[] = {
        jpegFile({app0, jpegSegment(0xDB, QByteArray(65, '\x10')), jpegFrame(0xC0, 640, 480)}),
        pngHeader(800, 600, 8, 2),
        gifHeader(320, 200, 0xF7),
        bmpHeader(1024, 768, 24),
    };
    const char* suffixes[] = {"jpg", "png", "gif", "bmp"};
    std::vector<QString> paths;
    paths.reserve(std::size_t(folders) * std::size_t(perFolder));
    QElapsedTimer timer;
    timer.start();
    for (int f = 0; f < folders; ++f) {
        const QString folder = root.filePath(QStringLiteral("d%1").arg(f, 4, 10, QLatin1Char('0')));
        QDir().mkpath(folder);
        for (int i = 0; i < perFolder; ++i) {
            const int kind = (f + i) % 4;
            paths.push_back(folder + QStringLiteral("/p%1.").arg(i, 4, 10, QLatin1Char('0')) +
                            QLatin1String(suffixes[kind]));
            if (!writeBytes(QFile::encodeName(paths.back()), kinds[kind])) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(paths.back()));
                return 1;
            }
        }
    }
    std::printf("%zu files in %d folders built in %.1f s\n", paths.size(), folders, timer.elapsed() / 1000.0);

    bareLoop(paths); // warm the directory and page caches
    double bestBare = 1e300;
    double bestInfo = 1e300;
    long long check = 0;
    for (int round = 0; round < 3; ++round) {
        timer.restart();
        check += bareLoop(paths);
        bestBare = std::min(bestBare, timer.nsecsElapsed() / 1e6);
        timer.restart();
        check += infoLoop(paths);
        bestInfo = std::min(bestInfo, timer.nsecsElapsed() / 1e6);
    }
    const double perFile = 1000.0 / double(paths.size());
    std::printf("open + read 32 bytes: %8.1f ms (%.2f us a file)\n", bestBare, bestBare * perFile);
    std::printf("GetImageInfo mode 0:  %8.1f ms (%.2f us a file)\n", bestInfo, bestInfo * perFile);
    std::printf("ratio: %.2f (goal: 2.00 or less)   [check %lld]\n", bestInfo / bestBare, check);
    return 0;
}
