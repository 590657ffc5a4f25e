// Grabs an X window of another program into a PNG file, or finds where a colour shows in it, so
// that the screenshot script can photograph the real program and click what it needs to.
//   grab_window grab WINDOW_ID FILE.png
//   grab_window find WINDOW_ID RRGGBB     prints "x y" of the middle of that colour's first run

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4 || (args[1] != u"grab" && args[1] != u"find")) {
        std::fputs("usage: grab_window grab|find WINDOW_ID FILE.png|RRGGBB\n", stderr);
        return 2;
    }
    bool ok = false;
    const WId window = args[2].toULongLong(&ok, 0);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!ok || !screen)
        return 2;
    const QImage image = screen->grabWindow(window).toImage().convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) {
        std::fputs("grab_window: nothing grabbed\n", stderr);
        return 1;
    }
    if (args[1] == u"grab")
        return image.save(args[3], "PNG") ? 0 : 1;

    const QRgb wanted = 0xFF000000u | args[3].toUInt(&ok, 16);
    for (int y = 0; ok && y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] != wanted)
                continue;
            int end = x;
            while (end + 1 < image.width() && line[end + 1] == wanted)
                ++end;
            std::printf("%d %d\n", (x + end) / 2, y + 2);
            return 0;
        }
    }
    return 1;
}
