#include "startup/settings_access.h"

#include "startup/shared_routines.h"
#include "startup/vb_runtime.h"

#include <stdexcept>

namespace veldrin {
namespace {

QString Settings::*fieldOf(QStringView key) {
    const SettingsKey* k = findSettingsKey(key);
    if (!k)
        throw std::invalid_argument("unknown settings key " + key.toString().toStdString());
    return k->field;
}

} // namespace

QString RecordSettingsAccess::value(QStringView key) const {
    return m_settings.*fieldOf(key);
}

void RecordSettingsAccess::setValue(QStringView key, const QString& text) {
    m_settings.*fieldOf(key) = text;
}

bool isOn(const SettingsAccess& settings, QStringView key) {
    return settings.value(key) == u"1";
}

double numberOf(const SettingsAccess& settings, QStringView key) {
    return Val(settings.value(key));
}

QString sumSizeItem(const SettingsAccess& settings, int index) {
    return GetListItem(settings.value(u"SUMSIZE"), index);
}

void setSumSizeItem(SettingsAccess& settings, int index, const QString& text) {
    QString width = sumSizeItem(settings, 1);
    QString height = sumSizeItem(settings, 2);
    (index == 1 ? width : height) = text;
    settings.setValue(u"SUMSIZE", width + u',' + height);
}

} // namespace veldrin
