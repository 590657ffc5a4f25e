#include "startup/startup.h"
#include "ui/desktop_start.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    veldrin::pinLocalTimeZone();
    const auto window = veldrin::ui::startDesktop(QCoreApplication::arguments(), veldrin::executableFolder());
    return app.exec();
}
