#include "thumbs/thumbnail.h"

#include "imageinfo/tga_loader.h"
#include "startup/errors.h"
#include "startup/shared_routines.h"
#include "startup/startup.h"
#include "startup/vb_runtime.h"
#include "thumbs/picture_loader.h"
#include "thumbs/stretch.h"
#include "thumbs/thumbnail_pool.h"

#include "savejpg.h"

#include <QDir>

#include <cerrno>
#include <cstring>

namespace veldrin {
namespace {

const QString kLibraryName = QStringLiteral("SaveJPG.DLL");

QString thumbnailCaption() {
    return AppTitle() + QStringLiteral("　サムネイル画像作成");
}

bool askThumbnail(RunHost& host, const QString& text, Question question) {
    return host.showMessage({text, thumbnailCaption(), MessageButtons::YesNo, MessageIcon::Question,
                             question}) == MessageAnswer::Yes;
}

// Existence as far as it can be told; a name that cannot be examined is treated as free, and the
// save then reports whether it could be written.
bool existsAnyway(const QString& path) {
    try {
        return AnyFileExists(path);
    } catch (const VeldrinError&) {
        return false;
    }
}

// Frees a picture box's memory, not just its contents: a run keeps at most one decoded picture.
void release(Bitmap& box) {
    box = Bitmap{};
}

int jpegQuality(const SettingsAccess& settings) {
    return CByte(Val(settings.value(u"JPEGCOMP")));
}

} // namespace

std::optional<int> stretchMode(const SettingsAccess& settings) {
    try {
        return static_cast<int>(roundHalfEven(Val(settings.value(u"STRETCHBLT_INIT"))));
    } catch (const VeldrinError&) {
        return std::nullopt; // a mode that cannot be read leaves the thumbnail unmade, as a failed scaling
    }
}

bool CreateThumbnail(const QString& Folder, QString& Name, int Width, int Height, const QString& SourceName,
                     ThumbnailEnv& env) {
    SettingsAccess& settings = env.settings;
    RunValues& values = env.values;
    const QString affix = settings.value(u"SPICNAME");
    const bool after = settings.value(u"SPICNAME_DIST") == u"1";
    const auto nameWith = [&](const QString& number) {
        return after ? Name + number + affix + QStringLiteral(".jpg")
                     : affix + Name + number + QStringLiteral(".jpg");
    };

    QString chosen = nameWith(QString());
    bool questionDue = false;
    if (existsAnyway(Folder + chosen)) {
        // The run knows what it wrote; a file time cut to seconds cannot tell a thumbnail of a run a
        // moment ago, or one dated in the future, from this run's own.
        if (!values.thumbnailsWritten.contains(Folder + chosen)) {
            questionDue = true; // left by an earlier run
        } else {
            // Written earlier in this run for a picture of the same name with another extension.
            bool free = false;
            for (int i = 1; i <= 10000 && !free; ++i) {
                const QString candidate = nameWith(QString::number(i));
                if (!existsAnyway(Folder + candidate)) {
                    chosen = candidate;
                    free = true;
                }
            }
            questionDue = !free;
        }
    }
    Name = chosen;

    if (questionDue && values.ThumbOverwriteAnswer != 1) {
        if (values.ThumbOverwriteAnswer == 2)
            return false;
        const bool overwrite =
            askThumbnail(env.host,
                         Folder + chosen +
                             QStringLiteral("が存在します。\r\n現在のファイルを新しいファイルで上書きしますか"
                                            "？\r\n（上書きしない場合サム"
                                            "ネイル画像は使用されません）"),
                         Question::OverwriteThumbnail);
        if (overwrite) {
            if (askThumbnail(env.host, QStringLiteral("名前が重複するファイルを全て上書きしますか？"),
                             Question::OverwriteAllThumbnails))
                values.ThumbOverwriteAnswer = 1;
        } else {
            if (askThumbnail(
                    env.host,
                    QStringLiteral("名前が重複するファイルは全て上書きせずに現在のファイルを残しますか？"),
                    Question::KeepAllThumbnails))
                values.ThumbOverwriteAnswer = 2;
            return false;
        }
    }

    const std::optional<int> mode = stretchMode(settings);
    if (!SourceName.isEmpty() && SourceName.right(3).toLower() != u"tga") {
        release(values.Picture_Load);
        ThumbnailPixels made =
            env.preparedPixels ? env.preparedPixels()
                               : makeThumbnailPixels({Folder + SourceName, Width, Height, mode.value_or(0)});
        if (made.loadFailed) {
            env.host.setInfo(QStringLiteral("画像変換エラー（") + made.loadError + QStringLiteral("）"));
            env.host.processEvents();
            return false;
        }
        if (mode)
            values.Picture_Small = std::move(made.picture);
    } else if (!values.Picture_Load.isNull() && mode) {
        // A picture that could not be loaded gives no thumbnail rather than an empty black one.
        try {
            values.Picture_Small = stretchCopy(values.Picture_Load, Width, Height, *mode);
        } catch (const VeldrinError&) {
            release(values.Picture_Small); // a failed scaling leaves no thumbnail; the entry uses the picture
        }
    }

    bool written = false;
    if (!values.Picture_Small.isNull() && values.jpegLibrary) {
        try {
            const int result = values.jpegLibrary->save(values.Picture_Small, Folder + chosen,
                                                        jpegQuality(settings), isOn(settings, u"JPEGPRGRS"));
            const int error = errno; // the module sets it when the file could not be written
            written = result == 0;
            if (written)
                values.thumbnailsWritten.insert(Folder + chosen);
            else if (result == SAVEJPG_WRITE_FAILED)
                env.host.thumbnailNotWritten(Folder + chosen, QString::fromLocal8Bit(std::strerror(error)));
            else
                env.host.thumbnailNotWritten(Folder + chosen, QStringLiteral("JPEG encoding failed"));
        } catch (const VeldrinError&) {
            written = false; // a failed save leaves no thumbnail; the entry uses the picture
        }
    }
    release(values.Picture_Small);
    release(values.Picture_Load);
    return written;
}

std::optional<QString> ConvertTgaToJpeg(const QString& Folder, const QString& FileName, ThumbnailEnv& env) {
    RunValues& values = env.values;
    if (!values.jpegLibrary)
        return std::nullopt;
    if (values.TgaConversionAnswer == 0) {
        env.host.beep();
        const MessageAnswer answer = env.host.showMessage(
            {QStringLiteral("TGAファイルをJPEGファイルに変換しますか？\r\n（圧縮率等はサムネイル用画像の設定"
                            "を使用します）"),
             AppTitle(), MessageButtons::YesNo, MessageIcon::Question, Question::ConvertTga});
        values.TgaConversionAnswer = answer == MessageAnswer::Yes ? 1 : 2;
    }
    if (values.TgaConversionAnswer != 1)
        return std::nullopt;

    const QString jpegName = FileName.left(FileName.size() - 4) + QStringLiteral("_tga.jpg");
    release(values.Picture_Load);
    if (std::optional<Bitmap> picture = LoadTGA(Folder + FileName))
        values.Picture_Load = std::move(*picture);
    // Saving nothing would only write an empty picture over a good older copy.
    if (values.Picture_Load.isNull())
        return std::nullopt;
    const int result = values.jpegLibrary->save(values.Picture_Load, Folder + jpegName,
                                                jpegQuality(env.settings), isOn(env.settings, u"JPEGPRGRS"));
    if (result != 0)
        return std::nullopt;
    CopyFileTimes(Folder + FileName, Folder + jpegName);
    return jpegName;
}

void CheckJpegLibrary(SettingsAccess& settings, RunHost& host, RunValues& values,
                      const QString& programFolder, const QString& systemFolder) {
    const QString program = withTrailingSlash(programFolder);
    const QString system = withTrailingSlash(systemFolder);
    if (!values.jpegLibrary) {
        for (const QString& folder : {program, system}) {
            if (existsAnyway(folder + kLibraryName)) {
                values.jpegLibrary = JpegLibrary::load(folder + kLibraryName);
                if (values.jpegLibrary)
                    break;
            }
        }
    }
    if (values.jpegLibrary)
        return;

    settings.setValue(u"CREATESPIC", QStringLiteral("0"));
    if (values.WindowLoading) {
        host.beep();
        host.showMessage(
            {QStringLiteral(
                 "システムフォルダに「KestrumJPEG保存DLL」（ファイル名：'SaveJPG.DLL'）が存在しないので、\r\n"
                 "サムネイル用画像ファイル作成機能、TGA→JPEG変換機能は使用できません。\r\n"
                 "'SaveJPG.DLL'"
                 "は、当ソフトの配布ファイルに同梱されていますので、システムフォルダにコピーしてください。\r"
                 "\n"
                 "このコンピュータのシステムフォルダは '") +
                 system + QStringLiteral("です。"),
             AppTitle() + QStringLiteral("　DLLチェック"), MessageButtons::Ok, MessageIcon::Warning});
    }
}

QString systemLibraryFolder() {
    return withTrailingSlash(QDir::cleanPath(executableFolder() + QStringLiteral(VELDRIN_BIN_TO_MODULE_DIR)));
}

} // namespace veldrin
