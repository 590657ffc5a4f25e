#include "imageinfo/display_size.h"

#include "imageinfo/exif_orientation.h"
#include "imageinfo/file_facts.h"
#include "imageinfo/image_info.h"
#include "imageinfo/tga_loader.h"

#include "startup/errors.h"
#include "startup/native_name.h"
#include "startup/vb_runtime.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace veldrin {

namespace {

// Runs each statement on its own: a failing one is skipped and its description kept, so that one bad
// file never stops a run.
class SkipOnError {
public:
    template <typename Statement> void operator()(Statement&& statement) {
        try {
            statement();
        } catch (const VeldrinError& error) {
            m_lastError = error.description();
        } catch (const std::exception& error) {
            m_lastError = QString::fromLocal8Bit(error.what());
        }
    }

    const QString& lastError() const { return m_lastError; }

private:
    QString m_lastError;
};

} // namespace

PictureMeasure measurePicture(const QString& FilePath, int TgaConversionAnswer, Bitmap& Picture_Load) {
    SkipOnError attempt;
    PictureMeasure measure;
    ImageInfo& real = measure.real;
    if (FilePath.right(4).toLower() == u".tga") {
        if (TgaConversionAnswer != 1) {
            Picture_Load = Bitmap{};
            attempt([&] {
                if (std::optional<Bitmap> loaded = LoadTGA(FilePath))
                    Picture_Load = std::move(*loaded);
            });
        }
        real.Width = Picture_Load.isNull() ? 0 : Picture_Load.width;
        real.Height = Picture_Load.isNull() ? 0 : Picture_Load.height;
        real.ImageKind = image_kind::Tga;
    } else {
        return measureFacts(readFileFacts(-1, QString(), FilePath, true));
    }
    measure.error = attempt.lastError();
    return measure;
}

PictureMeasure measureFacts(const FileFacts& facts) {
    PictureMeasure measure{facts.info, facts.infoError};
    // Browsers turn a JPEG by its EXIF orientation, so a quarter-turned one is measured as shown.
    if (measure.real.ImageKind == image_kind::Jpeg && facts.orientation >= 5 && facts.orientation <= 8)
        std::swap(measure.real.Width, measure.real.Height);
    return measure;
}

DisplaySize fitDisplaySize(const PictureMeasure& measure, const SettingsAccess& settings, QString* error) {
    SkipOnError attempt;
    DisplaySize size;
    double boxWidth = 0;
    double boxHeight = 0;

    size.SizeKnown = true;
    attempt([&] { boxWidth = Val(sumSizeItem(settings, 1)); });
    attempt([&] { boxHeight = Val(sumSizeItem(settings, 2)); });
    attempt([&] { size.DisplayWidth = CLng(boxWidth); });
    attempt([&] { size.DisplayHeight = CLng(boxHeight); });
    size.PictureWidth = 0;
    size.PictureHeight = 0;

    const ImageInfo& real = measure.real;
    if (real.ImageKind == image_kind::Unknown || real.Width < 1 || real.Width > MaxPictureWidth ||
        real.Height < 1 || real.Height > MaxPictureHeight) {
        // The measurement came after the box; its error, when it had one, is the last one.
        if (error)
            *error = measure.error.isEmpty() ? attempt.lastError() : measure.error;
        size.SizeKnown = false;
        return size;
    }
    size.PictureWidth = real.Width;
    size.PictureHeight = real.Height;

    const double rw = boxWidth * 100 / real.Width;
    const double rh = boxHeight * 100 / real.Height;
    const double r = rw < rh ? rw : rh;
    if (r == 0)
        return size;
    if (r < 100 || isOn(settings, u"SPICMAGNIF")) {
        attempt([&] { size.DisplayWidth = CLng(real.Width * r / 100); });
        attempt([&] { size.DisplayHeight = CLng(real.Height * r / 100); });
    } else {
        size.DisplayWidth = real.Width;
        size.DisplayHeight = real.Height;
    }
    return size;
}

// Always the file and the reason: the reader may have failed without a word, or with a reason that
// does not name the file.
QString reasonWithFile(const ImageInfo& real, QString reason, const QString& FilePath) {
    if (reason.isEmpty()) {
        if (real.ImageKind == image_kind::Unknown)
            reason = QStringLiteral("画像の形式を判別できません。");
        else if (real.ImageKind == image_kind::Tga && real.Width == 0)
            reason = QStringLiteral("TGA ファイルを読み込めません。");
        else
            reason = QStringLiteral("画像の大きさ（%1 x %2）が範囲外です。").arg(real.Width).arg(real.Height);
    }
    const QString file = displayName(FilePath);
    return reason.contains(file) ? reason : file + QStringLiteral(": ") + reason;
}

DisplaySize showDisplaySize(const PictureMeasure& measure, const SettingsAccess& settings, RunHost& host,
                            const QString& FilePath) {
    QString error;
    const DisplaySize size = fitDisplaySize(measure, settings, &error);
    if (!size.SizeKnown) {
        host.setInfo(QStringLiteral("画像情報取得エラー（") + reasonWithFile(measure.real, error, FilePath) +
                     QStringLiteral("）"));
        host.processEvents();
    }
    return size;
}

DisplaySize GetDisplaySize(const QString& FilePath, const SettingsAccess& settings, RunHost& host,
                           int TgaConversionAnswer, Bitmap& Picture_Load) {
    return showDisplaySize(measurePicture(FilePath, TgaConversionAnswer, Picture_Load), settings, host,
                           FilePath);
}

int GetEasySizeType(const SettingsAccess& settings) {
    const QString type = settings.value(u"EASYSIZE");
    if (type == u"0")
        return 0;
    if (type == u"1")
        return 1;
    if (type == u"2")
        return 2;
    return -1;
}

QString MakeSizeAttr(int Width, int Height, int EasySizeType, const ScreenSize& screen) {
    if (Width <= 0 || Width > 5 * screen.widthTwips() || Height <= 0 || Height > 5 * screen.heightTwips())
        return QString();
    switch (EasySizeType) {
    case 0:
        return QStringLiteral("WIDTH=") + QString::number(Width) + QStringLiteral(" HEIGHT=") +
               QString::number(Height);
    case 1:
        return QStringLiteral("WIDTH=") + QString::number(Width);
    case 2:
        return QStringLiteral("HEIGHT=") + QString::number(Height);
    default:
        return QString();
    }
}

void FitPopupSize(int& Width, int& Height, const ScreenSize& screen) {
    Width =
        static_cast<int>(std::min<long long>(static_cast<long long>(Width) + 40, screen.widthPixels - 50));
    Height =
        static_cast<int>(std::min<long long>(static_cast<long long>(Height) + 40, screen.heightPixels - 70));
}

} // namespace veldrin
