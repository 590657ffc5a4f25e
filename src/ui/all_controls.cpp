#include "ui/all_controls.h"

#include "ui/color_swatch.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

namespace veldrin::ui {

QString controlTypeName(const QObject* object) {
    const QString name = object->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
        return {};
    if (qobject_cast<const QMenu*>(object) || qobject_cast<const QAction*>(object))
        return name.startsWith(QLatin1String("menu_")) ? QStringLiteral("Menu") : QString();
    if (qobject_cast<const QPushButton*>(object))
        return QStringLiteral("CommandButton");
    if (qobject_cast<const QLineEdit*>(object))
        return QStringLiteral("TextBox");
    if (qobject_cast<const QCheckBox*>(object))
        return QStringLiteral("CheckBox");
    if (qobject_cast<const QRadioButton*>(object))
        return QStringLiteral("OptionButton");
    if (qobject_cast<const QComboBox*>(object))
        return QStringLiteral("ComboBox");
    if (qobject_cast<const ColorSwatch*>(object))
        return QStringLiteral("PictureBox");
    if (qobject_cast<const QLabel*>(object))
        return QStringLiteral("Label");
    if (qobject_cast<const QGroupBox*>(object) ||
        (qobject_cast<const QFrame*>(object) && name.startsWith(QLatin1String("Frame_"))))
        return QStringLiteral("Frame");
    return {};
}

void SetAllControlsEnabled(QWidget* window, const QString& typeName, bool enabled) {
    const bool all = typeName == QLatin1String("AllControl");
    for (QObject* object : window->findChildren<QObject*>()) {
        const QString type = controlTypeName(object);
        if (type.isEmpty() || (!all && type != typeName))
            continue;
        if (auto* menu = qobject_cast<QMenu*>(object))
            menu->menuAction()->setEnabled(enabled);
        else if (auto* action = qobject_cast<QAction*>(object))
            action->setEnabled(enabled);
        else if (auto* widget = qobject_cast<QWidget*>(object))
            widget->setEnabled(enabled);
    }
}

} // namespace veldrin::ui
