#pragma once

#include "startup/settings.h"
#include "startup/settings_access.h"

#include <QHash>
#include <QList>
#include <QString>

class QWidget;

namespace Ui {
class frmMain;
}

namespace veldrin::ui {

// The settings as the main window's controls hold them. value() gives a control's state in the
// settings file's form; setValue() sets the control as loading does, so that a run's corrections
// show in the window. record supplies what an option group with nothing selected keeps.
class WindowSettings final : public SettingsAccess {
public:
    WindowSettings(Ui::frmMain& ui, const Settings& record);

    QString value(QStringView key) const override;
    void setValue(QStringView key, const QString& text) override;

private:
    enum class Kind { Text, Check, Options, ComboIndex, ComboData, SumSize, ViewItems, Colour };
    struct Binding {
        const SettingsKey* key = nullptr;
        Kind kind = Kind::Text;
        QList<QWidget*> widgets;
    };

    const Binding& bindingOf(QStringView key) const;
    void bind(const char16_t* key, Kind kind, QList<QWidget*> widgets);

    QHash<QString, Binding> m_bindings;
    const Settings& m_record;
};

} // namespace veldrin::ui
