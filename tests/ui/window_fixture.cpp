#include "window_fixture.h"

#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTest>

namespace veldrin::testing {

QString binFolder() {
    return QStringLiteral(VELDRIN_BIN_DIR "/");
}

void dropOn(QWidget* receiver, const QUrl& url) {
    QMimeData data;
    data.setUrls({url});
    // Only the widget that accepted the drag receives the drop.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(receiver, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(receiver, &drop);
}

void WindowFixture::open(const QByteArray& ini, const QString& commandLine) {
    if (!ini.isNull()) {
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini);
    }
    StartupState state = runStartup(commandLine, programFolder());
    // The JPEG module is looked for beside the built programs, the settings in the test's folder.
    window = std::make_unique<ui::MainWindow>(std::move(state), binFolder());
    window->setOpener([this](const QString& path) {
        opened << path;
        return true;
    });
}

bool WindowFixture::close() {
    return window->close();
}

QWidget* WindowFixture::control(const char* name) const {
    auto* widget = window->findChild<QWidget*>(QString::fromLatin1(name));
    if (!widget)
        qWarning("no control %s", name);
    return widget;
}

} // namespace veldrin::testing
