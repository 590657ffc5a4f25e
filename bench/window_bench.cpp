// How the desktop program feels: the time from main() to the main window's first paint, and the
// longest pause between two points where the window processes events during a thumbnail run over
// 4000x3000 photographs (goal: at most 100 ms, so that the stop button always answers).
//
//   window_bench startup        the main window over default settings, then exit
//   window_bench startup-bare   an empty QMainWindow, the floor to compare with
//   window_bench run [N]        N photographs (default 6), thumbnails made in the window's run

#include "startup/startup.h"
#include "ui/main_window.h"
#include "ui/message_box.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace veldrin;

namespace {

// Quits the application at the watched window's first paint.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done) {
            done = true;
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }
    bool done = false;
};

std::unique_ptr<ui::MainWindow> openWindow(const QString& programFolder, const QByteArray& ini) {
    QFile file(programFolder + QStringLiteral("veldrin.ini"));
    if (!file.open(QIODevice::WriteOnly) || file.write(ini) != ini.size())
        return nullptr;
    file.close();
    return std::make_unique<ui::MainWindow>(runStartup({}, programFolder),
                                            QCoreApplication::applicationDirPath());
}

int startup(bool bare, const QElapsedTimer& sinceMain) {
    QTemporaryDir dir;
    FirstPaint paint;
    std::unique_ptr<QMainWindow> window;
    if (bare)
        window = std::make_unique<QMainWindow>();
    else
        window = openWindow(dir.path() + u'/', "[VELDRIN]\r\n");
    if (!window)
        return 1;
    window->installEventFilter(&paint);
    window->show();
    QApplication::exec();
    std::printf("%s: %.1f ms from main() to the first paint\n",
                bare ? "bare QMainWindow" : "veldrin main window", sinceMain.nsecsElapsed() / 1e6);
    return 0;
}

// A photograph-like picture: gradients and edges, so that the JPEG is not trivially small.
QImage photograph(int seed) {
    QImage image(4000, 3000, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 4000, 3000);
    sky.setColorAt(0, QColor::fromHsv((seed * 40) % 360, 160, 230));
    sky.setColorAt(1, QColor::fromHsv((seed * 40 + 120) % 360, 200, 90));
    p.fillRect(image.rect(), sky);
    for (int i = 0; i < 300; ++i) {
        p.setPen(QPen(QColor::fromHsv((i * 37 + seed) % 360, 200, 200), 3 + i % 9));
        p.drawEllipse(QPoint((i * 997 + seed * 131) % 4000, (i * 613) % 3000), 20 + i % 200, 10 + i % 150);
    }
    return image;
}

int run(int count) {
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/photos/");
    QDir().mkpath(folder);
    std::printf("writing %d photographs of 4000x3000...\n", count);
    for (int i = 0; i < count; ++i)
        photograph(i).save(folder + QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QChar(u'0')), "JPEG", 90);

    const QByteArray ini = (QStringLiteral("[VELDRIN]\r\nFOLDER=") + folder +
                            QStringLiteral("\r\nOUTHTMLTYPE=1\r\nTRUERATIO=1\r\nUSETABLE=1\r\n"
                                           "CREATESPIC=1\r\nFILESTATUS_ATTR=1111111\r\n"))
                               .toUtf8(); // the path is ASCII: a temporary folder
    auto window = openWindow(dir.path() + u'/', ini);
    if (!window)
        return 1;
    window->setOpener([](const QString&) { return true; });
    window->show();
    QCoreApplication::processEvents();

    ui::MessageBoxScript boxes;
    boxes.answerNext(MessageAnswer::No); // do not open the finished list
    std::vector<qint64> wakes;
    QElapsedTimer clock;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, window.get(),
                     [&] { wakes.push_back(clock.nsecsElapsed()); });
    clock.start();
    window->Command_Run_Click();
    const qint64 total = clock.nsecsElapsed();

    std::vector<qint64> gaps;
    qint64 last = 0;
    for (qint64 t : wakes) {
        gaps.push_back(t - last);
        last = t;
    }
    gaps.push_back(total - last);
    std::sort(gaps.begin(), gaps.end());
    const int made = QDir(folder).entryList({QStringLiteral("tm_*")}, QDir::Files).size();
    std::printf("run over %d photographs: %.0f ms, %d thumbnails made\n", count, total / 1e6, made);
    std::printf("event processing: %zu points; pause median %.1f ms, longest %.1f ms (goal <= 100 ms)\n",
                gaps.size(), gaps[gaps.size() / 2] / 1e6, gaps.back() / 1e6);
    return made == count ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceMain;
    sinceMain.start();
    pinLocalTimeZone();
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.value(1);
    if (mode == u"startup" || mode == u"startup-bare")
        return startup(mode == u"startup-bare", sinceMain);
    if (mode == u"run")
        return run(std::max(1, args.value(2, QStringLiteral("6")).toInt()));
    std::fputs("usage: window_bench startup|startup-bare|run [N]\n", stderr);
    return 2;
}
