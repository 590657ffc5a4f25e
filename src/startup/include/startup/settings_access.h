#pragma once

#include "startup/settings.h"

#include <QString>
#include <QStringView>

namespace veldrin {

// The current text of a settings key in the settings file's own form ("0"/"1", an option index,
// a text). The main window answers from its controls; the command-line program and the tests
// answer from a Settings record. A generation run reads each key at the moment it needs it and
// writes its corrections back.
class SettingsAccess {
public:
    virtual ~SettingsAccess() = default;
    virtual QString value(QStringView key) const = 0;
    virtual void setValue(QStringView key, const QString& text) = 0;
};

// Settings access over a record. An unknown key is a programming error and throws.
class RecordSettingsAccess final : public SettingsAccess {
public:
    explicit RecordSettingsAccess(Settings& settings) : m_settings(settings) {}
    QString value(QStringView key) const override;
    void setValue(QStringView key, const QString& text) override;

private:
    Settings& m_settings;
};

// A check box or flag key is on when its text is "1".
bool isOn(const SettingsAccess& settings, QStringView key);

// The lenient number of a key's text.
double numberOf(const SettingsAccess& settings, QStringView key);

// The width (index 1) or height (index 2) text of SUMSIZE, and setting one of them.
QString sumSizeItem(const SettingsAccess& settings, int index);
void setSumSizeItem(SettingsAccess& settings, int index, const QString& text);

} // namespace veldrin
