#include "startup/settings_conversion.h"

#include "startup/errors.h"
#include "startup/shared_routines.h"
#include "startup/vb_runtime.h"

#include <cmath>
#include <optional>

namespace veldrin {
namespace {

// A whole-number conversion accepts only numeric text (blanks around it allowed).
std::optional<double> strictWholeNumber(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) // toDouble also accepts "nan" and "inf"
        return std::nullopt;
    return roundHalfEven(v);
}

std::optional<double> lenientWholeNumber(const QString& text) {
    try {
        return roundHalfEven(Val(text));
    } catch (const VeldrinError&) {
        return std::nullopt; // an exponent out of range cannot be converted either
    }
}

// The value as a whole number in [low, high], else the default text.
QString inRange(std::optional<double> value, double low, double high, const QString& fallback) {
    if (!value || *value < low || *value > high)
        return fallback;
    return plainNumber(*value);
}

bool isStrictFlag(const QString& key) {
    static const QStringList keys{QStringLiteral("SUBFS"),      QStringLiteral("FILELIMIT"),
                                  QStringLiteral("DIVFOLDER"),  QStringLiteral("OUTFOLDER"),
                                  QStringLiteral("PATHTYPE"),   QStringLiteral("TRUERATIO"),
                                  QStringLiteral("SPICMAGNIF"), QStringLiteral("USETABLE"),
                                  QStringLiteral("USEFRAME"),   QStringLiteral("CREATESPIC")};
    return keys.contains(key);
}

} // namespace

QString windowLoadForm(const SettingsKey& key, const QString& text) {
    const QString name = QString::fromUtf16(key.name);
    const QString fallback = QString::fromUtf16(key.defaultValue);
    switch (key.form) {
    case KeyForm::Text:
    case KeyForm::Number:
        return text;
    case KeyForm::Flag:
        return inRange(isStrictFlag(name) ? strictWholeNumber(text) : lenientWholeNumber(text), 0, 1,
                       fallback);
    case KeyForm::Colour:
        return inRange(lenientWholeNumber(text), 0, 16777215, plainNumber(Val(fallback)));
    case KeyForm::TwoNumbers:
        return GetListItem(text, 1) + u',' + GetListItem(text, 2);
    case KeyForm::SevenFlags: {
        const QString flags = text.size() == 7 ? text : QStringLiteral("0000000");
        QString out;
        for (QChar c : flags)
            out += lenientWholeNumber(QString(c)) == 1.0 ? u'1' : u'0';
        return out;
    }
    case KeyForm::Choice:
        break;
    }
    if (name == u"OUTHTMLTYPE")
        return inRange(strictWholeNumber(text), 0, 2, fallback);
    if (name == u"EASYSIZE") // -1 is what the window stores when no option is selected
        return inRange(strictWholeNumber(text), -1, 2, fallback);
    if (name == u"FRAMETYPE")
        return inRange(strictWholeNumber(text), 0, 1, fallback);
    if (name == u"FILESIZE" || name == u"SORTITEM")
        return inRange(strictWholeNumber(text), 0, 4, fallback);
    if (name == u"STRETCHBLT_INIT")
        return inRange(strictWholeNumber(text), 1, 4, fallback);
    if (name == u"SPICNAME_DIST")
        return inRange(lenientWholeNumber(text), 0, 1, fallback);
    return text;
}

QString windowSaveForm(const SettingsKey& key, const QString& state) {
    if (key.form != KeyForm::TwoNumbers)
        return state;
    const auto number = [](const QString& item) {
        try {
            return Val(item);
        } catch (const VeldrinError&) {
            return 0.0; // an exponent out of range: the text box stores it as 0
        }
    };
    return plainNumber(number(GetListItem(state, 1))) + u',' + plainNumber(number(GetListItem(state, 2)));
}

Settings asMainWindowKeepsIt(const Settings& loaded) {
    Settings s = loaded;
    for (const SettingsKey& key : settingsKeys())
        s.*key.field = windowSaveForm(key, windowLoadForm(key, loaded.*key.field));
    return s;
}

} // namespace veldrin
