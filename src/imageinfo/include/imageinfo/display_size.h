#pragma once

#include "imageinfo/bitmap.h"
#include "imageinfo/file_facts.h"
#include "imageinfo/image_info.h"

#include "startup/run_host.h"
#include "startup/settings_access.h"

#include <QString>

namespace veldrin {

// The size a picture is shown at in the list, and its real size.
struct DisplaySize {
    bool SizeKnown = false;
    int DisplayWidth = 0;
    int DisplayHeight = 0;
    int PictureWidth = 0;
    int PictureHeight = 0;
};

// Limits of a plausible picture; a measured size outside them counts as a failed reading.
inline constexpr int MaxPictureWidth = 102400;
inline constexpr int MaxPictureHeight = 76400;

// Measures the picture at FilePath and fits it into the SUMSIZE box, keeping its proportions; smaller
// pictures keep their size unless SPICMAGNIF is on. A TGA file is measured by loading it into
// Picture_Load, unless TgaConversionAnswer is 1 (the conversion has just loaded it there). A JPEG whose
// EXIF orientation turns it by a quarter is measured as shown, width and height exchanged. A picture
// that cannot be measured gives SizeKnown false, the box size, and "画像情報取得エラー（...）" on the
// information line. Errors never leave this procedure.
DisplaySize GetDisplaySize(const QString& FilePath, const SettingsAccess& settings, RunHost& host,
                           int TgaConversionAnswer, Bitmap& Picture_Load);

// What measuring a picture told: its real size as shown, and the description of the last error met.
struct PictureMeasure {
    ImageInfo real;
    QString error;
};

// The measuring half of GetDisplaySize. Without a TGA it only reads the file, so it may run ahead of
// the entry that uses it; a TGA is loaded into Picture_Load as GetDisplaySize does.
PictureMeasure measurePicture(const QString& FilePath, int TgaConversionAnswer, Bitmap& Picture_Load);

// The measurement of a picture other than a TGA from the facts read with its entry.
PictureMeasure measureFacts(const FileFacts& facts);

// The fitting half: the display size of a measured picture. When the size is not known, error (if
// given) receives the text for the information line.
DisplaySize fitDisplaySize(const PictureMeasure& measure, const SettingsAccess& settings, QString* error);

// fitDisplaySize, then, for a size not known, the error on the information line with the file's
// name and the reason, as GetDisplaySize.
DisplaySize showDisplaySize(const PictureMeasure& measure, const SettingsAccess& settings, RunHost& host,
                            const QString& FilePath);

// EASYSIZE "0", "1" or "2" as 0, 1 or 2; anything else (no option chosen) as -1.
int GetEasySizeType(const SettingsAccess& settings);

// The IMG size attributes for the easy size correction: type 0 both "WIDTH=w HEIGHT=h", 1 only the
// width, 2 only the height, else "". Sizes of 0 or less or above five times the screen size in twips
// give "".
QString MakeSizeAttr(int Width, int Height, int EasySizeType, const ScreenSize& screen);

// The pop-up window for a picture: 40 pixels larger each way, but at most the screen less 50 pixels
// across and 70 down.
void FitPopupSize(int& Width, int& Height, const ScreenSize& screen);

} // namespace veldrin
