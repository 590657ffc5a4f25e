#include "htmlgen/page_writer.h"

#include "htmlgen/entry_texts.h"
#include "htmlgen/html_escape.h"
#include "startup/vb_runtime.h"

namespace veldrin {
namespace {

const QString kFrameTail =
    QStringLiteral("</FRAMESET><NOFRAMES><P>このページはフレームに対応したブラウザでのみ"
                   "アクセスできます。</P></NOFRAMES></HTML>");

QString frameLine(const QString& name, const QString& source) {
    return QStringLiteral("<FRAME NAME=") + name + QStringLiteral(" SRC=") + unquotedUrlAttr(source) +
           QStringLiteral(" SCROLLING=auto MARGINHEIGHT=5 MARGINWIDTH=5>");
}

} // namespace

void ComposePageTexts(RunContext& run) {
    const SettingsAccess& settings = run.env.settings;
    run.TargetFolderUrl = run.TargetFolder.startsWith(u'/') ? run.TargetFolder.mid(1) : run.TargetFolder;

    QString title;
    run.guard.step([&] {
        const QString typed = settings.value(u"HTMLTITLE");
        if (typed.trimmed().isEmpty()) {
            const QString prefix = run.absoluteLinks() ? htmlText(run.TargetFolder) + u' ' : QString();
            title = prefix + settings.value(u"OBJTYPE") + QStringLiteral(" LIST");
        } else {
            title = typed;
        }
    });
    run.PageHead =
        QStringLiteral("<HTML><HEAD><TITLE>") + title +
        QStringLiteral("</TITLE><META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=x-sjis'></HEAD>");

    const QString folderUrl = urlPath(run.TargetFolderUrl);
    run.ScriptBlock =
        QStringList{
            QStringLiteral("<script LANGUAGE='JavaScript'><!--"),
            QStringLiteral("function pop1(wpic,wwidth,wheight){"),
            QStringLiteral("open('file:///") + folderUrl +
                QStringLiteral("'+wpic,'_blank','scrollbars,resizable,width='+wwidth+',height='+wheight);"),
            QStringLiteral("return false;}"),
            QStringLiteral("function pop2(wpic){"),
            QStringLiteral("open('file:///") + folderUrl + QStringLiteral("'+wpic);"),
            QStringLiteral("return false;}"),
            QStringLiteral("//--></script>"),
        }
            .join(QStringLiteral("\r\n"));

    run.guard.step([&] {
        run.BodyLine = QStringLiteral("<BODY TEXT=BLACK BGCOLOR=#") +
                       ColorToHex(Val(settings.value(u"BGCOLOR1"))) + QStringLiteral(" LINK=BLUE>");
    });
    run.TableOpen = QStringLiteral("<TABLE BORDER=0 CELLSPACING=2 CELLPADDING=2>");
}

void WriteFrameSetFiles(RunContext& run) {
    const QString& n = run.BaseName;
    // Only the file name changes: a folder named like the list file must not send the pages astray.
    const QString fileName = n + QStringLiteral(".html");
    run.FrameSetFilePath = run.ListFilePath;
    run.BlankPagePath = run.outputFolder + strchange(fileName, fileName, n + QStringLiteral("_blank.html"));
    run.ListFilePath = run.outputFolder + strchange(fileName, fileName, n + QStringLiteral("_list.html"));

    OutputFile frameSet(run.staged);
    run.guard.step([&] { frameSet.create(run.FrameSetFilePath); });
    run.write(frameSet, run.PageHead);

    const QString width = run.env.settings.value(u"FLAMESET_LISTSIZE");
    const QString cols =
        QStringLiteral("<FRAMESET COLS=") + width + QStringLiteral(",* FRAMEBORDER=1 FRAMESPACING=0>");
    const QString rows = QStringLiteral("<FRAMESET ROWS=100,* FRAMEBORDER=1 FRAMESPACING=0>");
    const QString list = frameLine(QStringLiteral("list"), n + QStringLiteral("_list.html"));
    const QString blankLink = frameLine(QStringLiteral("link"), n + QStringLiteral("_blank.html"));
    const QString blankImage = frameLine(QStringLiteral("image"), n + QStringLiteral("_blank.html"));
    if (run.splitMode()) {
        run.write(frameSet, rows + list);
        run.write(frameSet, cols + blankLink + blankImage + QStringLiteral("</FRAMESET>"));
    } else if (run.outputType() == u"1") {
        run.write(frameSet, cols + list);
        run.write(frameSet, blankImage);
    } else {
        run.write(frameSet, rows + list);
        run.write(frameSet, blankImage);
    }
    run.write(frameSet, kFrameTail);
    closeGuarded(run, frameSet);

    OutputFile blank(run.staged);
    run.guard.step([&] { blank.create(run.BlankPagePath); });
    run.write(blank, run.PageHead);
    run.write(blank, run.BodyLine);
    run.write(blank, QStringLiteral("</BODY></HTML>"));
    closeGuarded(run, blank);
}

void BeginListFile(RunContext& run, const std::function<void()>& corrections) {
    const bool split = run.splitMode();
    run.guard.step([&] { run.listFile.create(run.ListFilePath); });
    run.ListFile = &run.listFile;
    if (split)
        run.IndexFile = &run.listFile;

    QString head = run.PageHead;
    if (run.frameMode()) {
        head = strchange(head, QStringLiteral("</HEAD>"),
                         split ? QStringLiteral("<BASE TARGET='link'></HEAD>")
                               : QStringLiteral("<BASE TARGET='image'></HEAD>"));
    }
    run.write(run.listFile, head);
    if (!split && !run.on(u"USEFRAME") && run.absoluteLinks())
        run.write(run.listFile, run.ScriptBlock);
    run.write(run.listFile, run.BodyLine);
    corrections();
    if (!split && run.outputType() == u"1" && run.on(u"USETABLE"))
        run.write(run.listFile, run.TableOpen);
}

void writeTableEnd(RunContext& run, OutputFile& file) {
    if (run.outputType() == u"1" && run.on(u"USETABLE"))
        run.write(file, QStringLiteral("</TABLE>"));
}

void closeGuarded(RunContext& run, OutputFile& file) {
    run.guard.step([&] { file.close(); });
}

void EndListFiles(RunContext& run) {
    if (run.splitMode()) {
        if (run.ListFile) {
            writeTableEnd(run, *run.ListFile);
            run.write(*run.ListFile, QStringLiteral("</BODY></HTML>"));
            closeGuarded(run, *run.ListFile);
            run.ListFile = nullptr;
        }
        if (run.IndexFile) {
            run.write(*run.IndexFile, QStringLiteral("</BODY></HTML>"));
            closeGuarded(run, *run.IndexFile);
        }
        return;
    }
    if (run.ListFile) {
        writeTableEnd(run, *run.ListFile);
        run.write(*run.ListFile, QStringLiteral("</BODY></HTML>"));
        closeGuarded(run, *run.ListFile);
    }
}

} // namespace veldrin
