#include "startup/settings.h"

#include <array>

namespace veldrin {
namespace {

using S = Settings;
using F = KeyForm;

const std::array<SettingsKey, 34> kKeys{{
    {u"FOLDER", &S::FOLDER, F::Text, u""},
    {u"SUBFS", &S::SUBFS, F::Flag, u"0"},
    {u"OUTHTMLTYPE", &S::OUTHTMLTYPE, F::Choice, u"0"},
    {u"SUMSIZE", &S::SUMSIZE, F::TwoNumbers, u"100,100"},
    {u"TRUERATIO", &S::TRUERATIO, F::Flag, u"0"},
    {u"USETABLE", &S::USETABLE, F::Flag, u"0"},
    {u"TABLECOLS", &S::TABLECOLS, F::Number, u"8"},
    {u"OBJTYPE", &S::OBJTYPE, F::Text, u"gif,jpg,jpeg,bmp,tga,png"},
    {u"OUTFOLDER", &S::OUTFOLDER, F::Flag, u"0"},
    {u"OUTFILENAME", &S::OUTFILENAME, F::Text, u"list"},
    {u"FILESIZE", &S::FILESIZE, F::Choice, u"0"},
    {u"FILELIMIT", &S::FILELIMIT, F::Flag, u"0"},
    {u"FILECOUNT", &S::FILECOUNT, F::Number, u"100"},
    {u"DIVFOLDER", &S::DIVFOLDER, F::Flag, u"0"},
    {u"PATHTYPE", &S::PATHTYPE, F::Flag, u"0"},
    {u"USEFRAME", &S::USEFRAME, F::Flag, u"0"},
    {u"FRAMETYPE", &S::FRAMETYPE, F::Choice, u"0"},
    {u"SPICMAGNIF", &S::SPICMAGNIF, F::Flag, u"0"},
    {u"BGCOLOR1", &S::BGCOLOR1, F::Colour, u"16777215"},
    {u"BGCOLOR2", &S::BGCOLOR2, F::Colour, u"16777215"},
    {u"CREATESPIC", &S::CREATESPIC, F::Flag, u"0"},
    {u"SPICNAME", &S::SPICNAME, F::Text, u"tm_"},
    {u"EASYSIZE", &S::EASYSIZE, F::Choice, u"1"},
    {u"GETHTMLTITLE", &S::GETHTMLTITLE, F::Flag, u"0"},
    {u"HTMLTITLE", &S::HTMLTITLE, F::Text, u""},
    {u"SPICNAME_DIST", &S::SPICNAME_DIST, F::Choice, u"0"},
    {u"JPEGCOMP", &S::JPEGCOMP, F::Number, u"75"},
    {u"JPEGPRGRS", &S::JPEGPRGRS, F::Flag, u"0"},
    {u"STRETCHBLT_INIT", &S::STRETCHBLT_INIT, F::Choice, u"4"},
    {u"SORTITEM", &S::SORTITEM, F::Choice, u"1"},
    {u"SORTORDER", &S::SORTORDER, F::Flag, u"0"},
    {u"FLAMESET_LISTSIZE", &S::FLAMESET_LISTSIZE, F::Text, u"50%"},
    {u"FILESTATUS_FONTCOLOR", &S::FILESTATUS_FONTCOLOR, F::Colour, u""},
    {u"FILESTATUS_ATTR", &S::FILESTATUS_ATTR, F::SevenFlags, u""},
}};

} // namespace

std::span<const SettingsKey> settingsKeys() {
    return kKeys;
}

const SettingsKey* findSettingsKey(QStringView name) {
    // A run reads settings by name for every file: measure the names once.
    static const std::array<QStringView, kKeys.size()> names = [] {
        std::array<QStringView, kKeys.size()> n;
        for (size_t i = 0; i < kKeys.size(); ++i)
            n[i] = QStringView(kKeys[i].name);
        return n;
    }();
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i].size() == name.size() && names[i] == name)
            return &kKeys[i];
    }
    return nullptr;
}

QString defaultValue(const SettingsKey& key, const QString& programFolder) {
    if (key.field == &Settings::FOLDER)
        return programFolder;
    return QString::fromUtf16(key.defaultValue);
}

Settings defaultSettings(const QString& programFolder) {
    Settings s;
    for (const SettingsKey& key : kKeys)
        s.*key.field = defaultValue(key, programFolder);
    return s;
}

} // namespace veldrin
