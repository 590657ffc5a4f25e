#include "htmlgen/entry_writer.h"

#include "entry_prefetch.h"
#include "facts_read_ahead.h"
#include "htmlgen/entry_texts.h"
#include "htmlgen/html_escape.h"
#include "htmlgen/page_writer.h"
#include "imageinfo/display_size.h"
#include "listed_files.h"
#include "startup/startup.h"
#include "startup/vb_runtime.h"
#include "thumbs/thumbnail.h"

#include <cmath>

namespace veldrin {
namespace {

// What one entry is made of.
struct Entry {
    QString SubFolder;
    QString FileName;
    QString SubFolderUrl;
    QString FilePath;
    QString LinkName;
    std::optional<Prepared> prepared; // made ahead for a thumbnail list
    ListedFiles* listed = nullptr;
    bool withHeader = false; // the entry measures the picture by its header
    std::optional<FileFacts> facts;

    // The link to LinkName below the searched folder, escaped for the page; LinkName is final by the
    // time it is asked for.
    const QString& linkUrl() {
        if (!linkUrlMade) {
            linkUrlCache = urlAttr(SubFolderUrl + LinkName);
            linkUrlMade = true;
        }
        return linkUrlCache;
    }
    QString linkUrlCache;
    bool linkUrlMade = false;

    // The file's status, and with withHeader its header, read once for every use in the entry.
    const FileFacts& file() {
        if (!facts)
            facts = prepared ? prepared->facts : listed->read(SubFolder, FileName, withHeader);
        return *facts;
    }
};

QString linkPrefix(const RunContext& run) {
    return run.absoluteLinks() ? QStringLiteral("file:///") + run.TargetFolderUrlAttr : QString();
}

// The file name without its extension; a name without "." or whose only "." comes first stays whole.
QString withoutExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

void openPart(RunContext& run, const Entry& e) {
    SettingsAccess& settings = run.env.settings;
    ++run.PartNumber;
    const QString partName = run.BaseName + formatNumber(run.PartNumber, u"000") + QStringLiteral(".html");
    run.guard.step([&] { run.partFile.create(run.outputFolder + partName); });
    run.ListFile = &run.partFile;

    QString head = run.PageHead;
    if (run.on(u"DIVFOLDER") && e.SubFolder.size() > 1) {
        head = strchange(head, QStringLiteral("</TITLE>"),
                         u' ' + htmlText(strchange(e.SubFolder, QStringLiteral("/"), QStringLiteral(" "))) +
                             QStringLiteral("</TITLE>"));
    }
    if (run.on(u"USEFRAME") && run.outputType() != u"0")
        head = strchange(head, QStringLiteral("</HEAD>"), QStringLiteral("<BASE TARGET='image'></HEAD>"));
    run.write(run.partFile, head);
    if (run.absoluteLinks() && !run.on(u"USEFRAME"))
        run.write(run.partFile, run.ScriptBlock);
    run.write(run.partFile, run.BodyLine);
    if (run.outputType() == u"1" && run.on(u"USETABLE"))
        run.write(run.partFile, run.TableOpen);

    if (run.IndexFile) {
        run.write(*run.IndexFile, QStringLiteral("<A HREF='") + urlAttr(partName) + QStringLiteral("'>"));
        const QString label =
            isOn(settings, u"FILELIMIT")
                ? partName + QStringLiteral(" ( ") + e.SubFolderUrl + e.FileName + QStringLiteral("～ )")
                : partName + QStringLiteral(" ( ") + e.SubFolderUrl + QStringLiteral(" )");
        run.write(*run.IndexFile, htmlText(label));
        run.write(*run.IndexFile, QStringLiteral("</A><BR>"));
    }
    run.PartEntryCount = 0;
    run.PreviousFolder = e.SubFolder;
}

// Each entry writer says whether the entry reached the page.
bool writePictureEntry(RunContext& run, Entry& e) {
    std::optional<QString> line;
    run.guard.step([&] {
        line = QStringLiteral("<IMG BORDER=0 SRC='") + linkPrefix(run) + e.linkUrl() +
               QStringLiteral("' VSPACE = '1' HSPACE = '1' ") +
               MakeFileStatusStrAlt(e.SubFolderUrl, e.FileName, QString(), e.FilePath, &e.file()) + u'>';
    });
    return line && run.write(*run.ListFile, *line);
}

bool writeLinkEntry(RunContext& run, Entry& e) {
    OutputFile& file = *run.ListFile;
    const bool written =
        run.write(file, QStringLiteral("<A HREF='") + linkPrefix(run) + e.linkUrl() + QStringLiteral("'>"));
    run.write(file, htmlText(e.SubFolderUrl + e.FileName));
    run.write(file, QStringLiteral("</A>"));
    if (run.on(u"GETHTMLTITLE") && e.FileName.toLower().contains(u".htm")) {
        const QString title = GetHtmlTitle(e.FilePath);
        if (!title.isEmpty())
            run.write(file, QStringLiteral(" - [") + titleText(title) + u']');
    }
    std::optional<QString> size;
    run.guard.step([&] { size = kbSizeText(e.file().statusKnown ? e.file().size : fileLength(e.FilePath)); });
    if (size)
        run.write(file, QStringLiteral(" - ") + *size);
    run.write(file, QStringLiteral("<BR>"));
    return written;
}

// The link around a thumbnail that opens in the browser: a pop-up window sized to the picture
// (pop1) or of the browser's own size (pop2) with absolute links, the window named top with
// relative ones, and the frame given by the page's base target in frame mode.
QString browserLink(RunContext& run, Entry& e, std::optional<std::pair<int, int>> popupSize) {
    const QString& path = e.linkUrl();
    if (run.on(u"USEFRAME"))
        return QStringLiteral("<A HREF='") + linkPrefix(run) + path + QStringLiteral("'>");
    if (!run.absoluteLinks())
        return QStringLiteral("<A HREF='") + path + QStringLiteral("' TARGET='top'>");
    const QString href =
        QStringLiteral("<A HREF='file:///") + run.TargetFolderUrlAttr + path + QStringLiteral("' onClick=\"");
    if (popupSize) {
        return href + QStringLiteral("return pop1('") + path + QStringLiteral("','") +
               QString::number(popupSize->first) + QStringLiteral("','") +
               QString::number(popupSize->second) + QStringLiteral("');return true\">");
    }
    return href + QStringLiteral("return pop2('") + path + QStringLiteral("');return true\">");
}

bool writeThumbnailEntry(RunContext& run, Entry& e) {
    SettingsAccess& settings = run.env.settings;
    RunHost& host = run.env.host;
    const bool table = run.on(u"USETABLE");

    QString cellStart;
    if (table) {
        run.guard.step([&] {
            cellStart = QStringLiteral("<TD VALIGN=MIDDLE ALIGN=CENTER BGCOLOR=#") +
                        ColorToHex(Val(settings.value(u"BGCOLOR2"))) + QStringLiteral(" WIDTH=") +
                        plainNumber(Val(sumSizeItem(settings, 1))) + QStringLiteral(" HEIGHT=") +
                        plainNumber(Val(sumSizeItem(settings, 2))) + u'>';
        });
    }

    QString linkStart;
    QString picture;
    QString sizeText;
    bool built = false;
    if (!run.on(u"TRUERATIO")) {
        built = run.guard.step([&] {
            const int w = CLng(Val(sumSizeItem(settings, 1)));
            const int h = CLng(Val(sumSizeItem(settings, 2)));
            picture = QStringLiteral("<IMG BORDER=0 SRC='") + linkPrefix(run) + e.linkUrl() +
                      QStringLiteral("' VSPACE='1' HSPACE='1' ") +
                      MakeFileStatusStrAlt(e.SubFolderUrl, e.FileName, QString(), e.FilePath, &e.file()) +
                      u' ' + MakeSizeAttr(w, h, GetEasySizeType(settings), host.screenSize()) + u'>';
            linkStart = browserLink(run, e, std::nullopt);
        });
    } else {
        const DisplaySize size =
            e.withHeader ? showDisplaySize(measureFacts(e.file()), settings, host, e.FilePath)
                         : GetDisplaySize(e.FilePath, settings, host, run.env.values.TgaConversionAnswer,
                                          run.env.values.Picture_Load);
        QString thumbName;
        bool thumbCreated = false;
        if (run.on(u"CREATESPIC") && size.SizeKnown) {
            thumbName = withoutExtension(e.FileName);
            run.guard.step([&] {
                ThumbnailEnv env{settings, host, run.env.values};
                if (e.prepared && e.prepared->pixels.valid() && e.prepared->width == size.DisplayWidth &&
                    e.prepared->height == size.DisplayHeight)
                    env.preparedPixels = [&] { return e.prepared->pixels.get(); };
                thumbCreated = CreateThumbnail(run.TargetFolder + e.SubFolder, thumbName, size.DisplayWidth,
                                               size.DisplayHeight, e.FileName, env);
            });
        }
        sizeText = QString::number(size.PictureWidth) + u'x' + QString::number(size.PictureHeight);
        built = run.guard.step([&] {
            picture = QStringLiteral("<IMG BORDER=0 SRC='") + linkPrefix(run) +
                      (thumbCreated ? urlAttr(e.SubFolderUrl + thumbName) : e.linkUrl()) +
                      QStringLiteral("' VSPACE='1' HSPACE='1' ") +
                      MakeFileStatusStrAlt(e.SubFolderUrl, e.FileName, sizeText, e.FilePath, &e.file()) +
                      u' ' + MakeSizeAttr(size.DisplayWidth, size.DisplayHeight, 0, host.screenSize()) + u'>';
            int popupWidth = size.PictureWidth;
            int popupHeight = size.PictureHeight;
            if (size.SizeKnown)
                FitPopupSize(popupWidth, popupHeight, host.screenSize());
            const QString opener = host.associatedProgram(e.LinkName, run.TargetFolder + e.SubFolder);
            if (opener == run.BrowserProgram) {
                linkStart = browserLink(run, e,
                                        size.SizeKnown ? std::optional(std::pair(popupWidth, popupHeight))
                                                       : std::nullopt);
            } else {
                linkStart =
                    QStringLiteral("<A HREF='") + linkPrefix(run) + e.linkUrl() + QStringLiteral("'>");
            }
        });
    }
    if (!built)
        return false;

    QString status;
    if (table) {
        run.guard.step([&] {
            status = MakeFileStatusStr(settings, e.SubFolderUrl, e.FileName, sizeText, e.FilePath, &e.file());
        });
    }
    const QString entryText = cellStart + linkStart + picture + QStringLiteral("</A>") + status +
                              (table ? QStringLiteral("</TD>") : QString());
    return run.write(*run.ListFile, entryText);
}

} // namespace

void WriteListEntries(RunContext& run) {
    SettingsAccess& settings = run.env.settings;
    RunHost& host = run.env.host;
    RunValues& values = run.env.values;
    const int count = static_cast<int>(run.FoundFiles.size());
    run.TargetFolderUrlAttr = urlAttr(run.TargetFolderUrl);
    ListedFiles listed(run.TargetFolder);
    EntryPrefetch prefetch(run, listed);
    std::optional<FactsReadAhead> readAhead;
    if (!prefetch.active())
        readAhead.emplace(run);

    for (int i = 0; i < count; ++i) {
        if (host.stopRequested()) {
            host.beep();
            host.showMessage(
                {QStringLiteral("リストの作成を中断します。（途中まで作成したリストは出力します）"),
                 AppTitle(), MessageButtons::Ok, MessageIcon::Warning});
            break;
        }
        const FoundFile& found = run.FoundFiles[static_cast<size_t>(i)];
        Entry e;
        e.SubFolder = e.SubFolderUrl = found.SubFolder;
        e.FileName = e.LinkName = found.FileName;
        e.FilePath = run.TargetFolder + found.SubFolder + found.FileName;
        e.listed = &listed;
        // A TGA is measured by decoding it; every other picture of a measured thumbnail by its header.
        e.withHeader =
            run.outputType() == u"1" && run.on(u"TRUERATIO") && e.FileName.right(4).toLower() != u".tga";
        ++run.ProcessedCount;

        const int percent =
            static_cast<int>(std::floor(static_cast<double>(run.ProcessedCount) / run.FoundCount * 100));
        host.setInfo(QStringLiteral("処理中... ") + QString::number(run.ProcessedCount) + u'/' +
                     QString::number(run.FoundCount) + QStringLiteral("   ") + e.FilePath);
        host.setCaption(QStringLiteral("処理中... ") + QString::number(percent) + QStringLiteral("% ") +
                        AppTitle());
        host.progress(run.ProcessedCount, run.FoundCount, e.FilePath);
        host.processEvents();

        prefetch.advance(i);
        e.prepared = prefetch.take(i);
        if (readAhead) {
            readAhead->advance(i);
            e.facts = readAhead->take(i);
        }

        if (e.FileName.right(4).toLower() == u".tga" && values.JpegLibraryAvailable()) {
            run.guard.step([&] {
                ThumbnailEnv env{settings, host, values};
                if (std::optional<QString> jpeg =
                        ConvertTgaToJpeg(run.TargetFolder + e.SubFolder, e.FileName, env))
                    e.LinkName = *jpeg;
            });
        }

        if (run.splitMode() && !run.ListFile)
            openPart(run, e);
        ++run.PartEntryCount;

        const QString type = run.outputType();
        if (type == u"1" && run.on(u"USETABLE")) {
            run.guard.step([&] {
                const double columns = Val(settings.value(u"TABLECOLS"));
                if (vbMod(run.PartEntryCount, columns) == 1 || columns == 1)
                    run.write(*run.ListFile, QStringLiteral("<TR>"));
            });
        }

        if (run.ListFile) {
            bool written = false;
            if (type == u"0")
                written = writePictureEntry(run, e);
            else if (type == u"1")
                written = writeThumbnailEntry(run, e);
            else if (type == u"2")
                written = writeLinkEntry(run, e);
            if (written)
                ++run.WrittenCount;
        }

        if (run.on(u"DIVFOLDER") && i < count - 1 &&
            run.FoundFiles[static_cast<size_t>(i) + 1].SubFolder != e.SubFolder)
            run.PreviousFolder = QStringLiteral("..");

        bool partEnds = false;
        run.guard.step([&] {
            partEnds =
                (run.on(u"FILELIMIT") && vbMod(run.PartEntryCount, Val(settings.value(u"FILECOUNT"))) == 0) ||
                (run.on(u"DIVFOLDER") && run.PreviousFolder == u"..");
        });
        if (partEnds && run.ListFile) {
            writeTableEnd(run, *run.ListFile);
            run.write(*run.ListFile, QStringLiteral("</BODY></HTML>"));
            closeGuarded(run, *run.ListFile);
            run.ListFile = nullptr;
        }
    }
}

} // namespace veldrin
