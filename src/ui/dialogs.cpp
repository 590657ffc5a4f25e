#include "ui/dialogs.h"

#include "startup/startup.h"
#include "ui/color_select_dialog.h"
#include "ui/color_swatch.h"
#include "ui/folder_select_dialog.h"
#include "ui/message_box.h"
#include "ui/version_box.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QScreen>
#include <QUrl>

namespace veldrin::ui {
namespace {

// The control of caller named name, the case of the letters aside; nullptr when there is none.
template <class T> T* findControl(QWidget* caller, const QString& name) {
    if (!caller)
        return nullptr;
    for (T* widget : caller->findChildren<T*>()) {
        if (widget->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return widget;
    }
    return nullptr;
}

QUrl homePage() {
    const QString configured = QStringLiteral(VELDRIN_HOME_PAGE);
    if (!configured.isEmpty())
        return QUrl(configured);
    // Found from the program's own folder, so the README opens wherever the installation sits.
    return QUrl::fromLocalFile(
        QDir::cleanPath(executableFolder() + QStringLiteral(VELDRIN_BIN_TO_DOC_DIR "/README.md")));
}

void centreOnScreen(QWidget* dialog) {
    dialog->adjustSize();
    if (const QScreen* screen = dialog->screen())
        dialog->move(screen->availableGeometry().center() - dialog->rect().center());
}

} // namespace

void showFolderSelect(QWidget* caller, const QString& target) {
    QLineEdit* box = target.compare(u"Text_Folder", Qt::CaseInsensitive) == 0
                         ? findControl<QLineEdit>(caller, target)
                         : nullptr;
    FolderSelectDialog dialog(box, caller);
    centreOnScreen(&dialog);
    dialog.exec();
}

void showColorSelect(QWidget* caller, const QString& target) {
    ColorSelectDialog dialog(findControl<ColorSwatch>(caller, target), caller);
    centreOnScreen(&dialog);
    dialog.exec();
}

void showVersionBox(QWidget* parent) {
    QApplication::beep();
    showMessageBox(parent, {versionText(readHostFacts()), AppTitle() + QStringLiteral("　バージョン情報"),
                            MessageButtons::Ok, MessageIcon::Information});
}

void openHomePage(QWidget* parent) {
    const QUrl page = homePage();
    // Without a browser or file viewer nothing would happen at all; say where the page is instead.
    if (!QDesktopServices::openUrl(page))
        showMessageBox(parent, {QStringLiteral("ホームページを開けませんでした。\r\n") + page.toString(),
                                AppTitle(), MessageButtons::Ok, MessageIcon::Warning});
}

} // namespace veldrin::ui
