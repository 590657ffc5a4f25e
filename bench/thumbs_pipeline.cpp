// The thumbnail path of one picture, timed stage by stage in one process: header, decode (with
// shrink-on-load), HALFTONE stretch, JPEG save through the module. Built and run by thumbs_bench.sh.
//
//   thumbs_pipeline MODULE OUTDIR SIZE QUALITY PICTURE...

#include "imageinfo/image_info.h"
#include "startup/errors.h"
#include "thumbs/jpeg_library.h"
#include "thumbs/picture_loader.h"
#include "thumbs/stretch.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

using namespace veldrin;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 6) {
        std::fprintf(stderr, "usage: %s MODULE OUTDIR SIZE QUALITY PICTURE...\n", argv[0]);
        return 2;
    }
    QString error;
    const std::optional<JpegLibrary> library = JpegLibrary::load(args[1], &error);
    if (!library) {
        std::fprintf(stderr, "cannot load %s: %s\n", qPrintable(args[1]), qPrintable(error));
        return 1;
    }
    const QDir out(args[2]);
    const int box = args[3].toInt();
    const int quality = args[4].toInt();

    qint64 header = 0, decode = 0, scale = 0, save = 0;
    int done = 0, failed = 0;
    QElapsedTimer all, step;
    all.start();
    for (int i = 5; i < args.size(); ++i) {
        step.start();
        const ImageInfo info = GetImageInfo(args[i], 0);
        header += step.nsecsElapsed();
        if (info.Width <= 0 || info.Height <= 0) {
            ++failed;
            continue;
        }
        // Fit the box, keeping the picture's proportions.
        const bool wide = info.Width >= info.Height;
        const int w = wide ? box : std::max(1, int(std::int64_t(info.Width) * box / info.Height));
        const int h = wide ? std::max(1, int(std::int64_t(info.Height) * box / info.Width)) : box;
        try {
            step.start();
            const Bitmap picture = loadPicture(args[i], w, h);
            decode += step.nsecsElapsed();
            step.start();
            const Bitmap small = stretchCopy(picture, w, h, int(StretchMode::Halftone));
            scale += step.nsecsElapsed();
            step.start();
            const QString target =
                out.filePath(QStringLiteral("%1_%2.jpg").arg(i).arg(QFileInfo(args[i]).baseName()));
            if (library->save(small, target, quality, false) == 0)
                ++done;
            else
                ++failed;
            save += step.nsecsElapsed();
        } catch (const VeldrinError& e) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(args[i]), qPrintable(e.description()));
            ++failed;
        }
    }
    const double seconds = all.nsecsElapsed() / 1e9;
    const int n = std::max(1, done);
    std::printf("pictures %d, failed %d, %.1f per second; per picture: header %.2f ms, decode %.2f ms, "
                "stretch %.2f ms, save %.2f ms\n",
                done, failed, done / seconds, header / 1e6 / n, decode / 1e6 / n, scale / 1e6 / n,
                save / 1e6 / n);
    return failed ? 1 : 0;
}
