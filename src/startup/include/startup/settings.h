#pragma once

#include <QString>
#include <QStringView>

#include <span>

namespace veldrin {

// Every user choice, one text per settings-file key, as the file stores it.
struct Settings {
    QString FOLDER;
    QString SUBFS;
    QString OUTHTMLTYPE;
    QString SUMSIZE;
    QString TRUERATIO;
    QString USETABLE;
    QString TABLECOLS;
    QString OBJTYPE;
    QString OUTFOLDER;
    QString OUTFILENAME;
    QString FILESIZE;
    QString FILELIMIT;
    QString FILECOUNT;
    QString DIVFOLDER;
    QString PATHTYPE;
    QString USEFRAME;
    QString FRAMETYPE;
    QString SPICMAGNIF;
    QString BGCOLOR1;
    QString BGCOLOR2;
    QString CREATESPIC;
    QString SPICNAME;
    QString EASYSIZE;
    QString GETHTMLTITLE;
    QString HTMLTITLE;
    QString SPICNAME_DIST;
    QString JPEGCOMP;
    QString JPEGPRGRS;
    QString STRETCHBLT_INIT;
    QString SORTITEM;
    QString SORTORDER;
    QString FLAMESET_LISTSIZE;
    QString FILESTATUS_FONTCOLOR;
    QString FILESTATUS_ATTR;

    bool operator==(const Settings&) const = default;
};

// How a key's text is to be understood.
enum class KeyForm { Text, Flag, Number, Colour, Choice, TwoNumbers, SevenFlags };

struct SettingsKey {
    const char16_t* name;
    QString Settings::*field;
    KeyForm form;
    const char16_t* defaultValue; // FOLDER's default is the program folder and is not listed here
};

// The keys in the order in which they are read and written.
std::span<const SettingsKey> settingsKeys();

// The key of that name (exact upper-case match), or nullptr.
const SettingsKey* findSettingsKey(QStringView name);

// The value a key takes when the settings file or the key is missing.
QString defaultValue(const SettingsKey& key, const QString& programFolder);

// A record holding every default.
Settings defaultSettings(const QString& programFolder);

} // namespace veldrin
