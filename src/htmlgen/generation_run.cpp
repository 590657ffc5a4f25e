#include "htmlgen/generation_run.h"

#include "collect/search.h"
#include "collect/sort.h"
#include "htmlgen/entry_writer.h"
#include "htmlgen/page_writer.h"
#include "startup/native_name.h"
#include "startup/shared_routines.h"
#include "startup/startup.h"
#include "startup/vb_runtime.h"

#include <QDir>

namespace veldrin {
namespace {

void tell(RunHost& host, const QString& text, MessageIcon icon) {
    host.showMessage({text, AppTitle(), MessageButtons::Ok, icon});
}

bool ask(RunHost& host, const QString& text, Question question) {
    return host.showMessage({text, AppTitle(), MessageButtons::YesNo, MessageIcon::Question, question}) ==
           MessageAnswer::Yes;
}

// Run step 14's corrections, between the list's BODY line and its table start.
void correctSettings(RunContext& run) {
    SettingsAccess& settings = run.env.settings;
    RunHost& host = run.env.host;
    if (run.splitMode()) {
        run.guard.step([&] {
            if (Val(settings.value(u"FILECOUNT")) <= 0)
                settings.setValue(u"FILECOUNT", QStringLiteral("100"));
        });
    }
    if (run.outputType() != u"1")
        return;
    const ScreenSize screen = host.screenSize();
    run.guard.step([&] {
        const double w = Val(sumSizeItem(settings, 1));
        if (w <= 0 || w > screen.widthTwips() * 5)
            setSumSizeItem(settings, 1, QStringLiteral("100"));
    });
    run.guard.step([&] {
        const double h = Val(sumSizeItem(settings, 2));
        if (h <= 0 || h > screen.heightTwips() * 5)
            setSumSizeItem(settings, 2, QStringLiteral("100"));
    });
    run.guard.step([&] {
        if (Val(settings.value(u"TABLECOLS")) <= 0)
            settings.setValue(u"TABLECOLS", QStringLiteral("8"));
    });
    run.guard.step([&] {
        run.BrowserProgram = host.associatedProgram(run.BaseName + QStringLiteral(".html"), run.outputFolder);
    });
}

void runSteps(RunContext& run, RunResult& result) {
    RunEnv& env = run.env;
    SettingsAccess& settings = env.settings;
    RunHost& host = env.host;
    ErrorHandler& guard = run.guard;

    guard.step([&] {
        const QDateTime now = QDateTime::currentDateTime();
        env.values.RunStartTime =
            QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
    });
    env.values.TgaConversionAnswer = 0;
    env.values.thumbnailsWritten.clear();

    if (settings.value(u"OUTFILENAME").trimmed().isEmpty()) {
        tell(host, QStringLiteral("出力HTMLファイル名が指定されていません"), MessageIcon::Warning);
        result.end = RunResult::End::NoFileName;
        return;
    }
    guard.step([&] {
        const QString affix = settings.value(u"SPICNAME").trimmed();
        if (affix.size() > 20)
            settings.setValue(u"SPICNAME", affix.left(20));
    });
    guard.step([&] {
        const double quality = Val(settings.value(u"JPEGCOMP"));
        if (quality < 1 || quality > 100)
            settings.setValue(u"JPEGCOMP", QStringLiteral("75"));
    });
    env.values.ThumbOverwriteAnswer = 0;
    guard.step([&] {
        run.TargetFolder = NormalizeFolderPath(settings.value(u"FOLDER"), env.applicationFolder);
        settings.setValue(u"FOLDER", run.TargetFolder);
    });

    run.BaseName = settings.value(u"OUTFILENAME");
    run.outputFolder = run.on(u"OUTFOLDER") ? env.ProgramFolder : run.TargetFolder;
    run.ListFilePath = run.outputFolder + run.BaseName + QStringLiteral(".html");
    result.listFilePath = run.ListFilePath;

    // Hidden files count here too: this test protects a file from being replaced unasked.
    run.OverwriteConfirmed = false;
    bool exists = false;
    guard.step([&] { exists = AnyFileExists(run.ListFilePath); });
    if (exists) {
        host.beep();
        if (!ask(host,
                 QStringLiteral("ファイル（") + run.ListFilePath +
                     QStringLiteral("）が既に存在します。\r\n上書きしますか？"),
                 Question::OverwriteList)) {
            result.end = RunResult::End::OverwriteRefused;
            return;
        }
        run.OverwriteConfirmed = true;
    }

    host.setInfo(QStringLiteral("ファイル検索中..."));
    host.setCaption(QStringLiteral("ファイル検索中... ") + AppTitle());
    host.processEvents();
    guard.step([&] {
        run.FoundCount =
            SearchFile(run.TargetFolder, QString(), run.on(u"SUBFS"), run.FoundFiles, 0, settings, host);
    });
    // After Abort in the search the files collected so far are listed; count what is there rather
    // than showing the abandoned search's -1 in the progress and completion texts.
    if (run.FoundCount < 0)
        run.FoundCount = static_cast<int>(run.FoundFiles.size());
    run.FoundFiles.resize(static_cast<size_t>(run.FoundCount));
    result.found = run.FoundCount;

    host.setInfo(QString());
    if (run.FoundCount == 0) {
        tell(host, QStringLiteral("対象ファイルは見つかりませんでした。"), MessageIcon::Information);
        result.end = RunResult::End::NothingFound;
        return;
    }

    host.setInfo(QStringLiteral("ソート中..."));
    host.setCaption(QStringLiteral("ソート中... ") + AppTitle());
    host.processEvents();
    guard.step(
        [&] { QuickSortFiles(run.FoundFiles, 0, static_cast<int>(run.FoundFiles.size()) - 1, settings); });
    host.setInfo(QString());

    if (!run.OverwriteConfirmed) {
        guard.step([&] { exists = AnyFileExists(run.ListFilePath); });
        if (exists) {
            host.beep();
            if (!ask(host,
                     QStringLiteral("ファイル検索中に、他プロセスがファイル（") + run.ListFilePath +
                         QStringLiteral("）を作成しました。\r\n上書きしますか？"),
                     Question::OverwriteList)) {
                result.end = RunResult::End::OverwriteRefused;
                return;
            }
        }
    }

    ComposePageTexts(run);
    if (run.frameMode())
        WriteFrameSetFiles(run);
    BeginListFile(run, [&] { correctSettings(run); });

    run.ProcessedCount = 0;
    run.PartNumber = 0;
    run.PartEntryCount = 0;
    run.PreviousFolder = QStringLiteral("..");
    run.ListFile = run.splitMode() ? nullptr : &run.listFile;

    WriteListEntries(run);
    EndListFiles(run);

    // The new pages replace the old ones only when the list itself is complete; otherwise the
    // earlier catalogue stays as it was.
    const bool listComplete = run.staged.holds(run.listFile.target());
    if (listComplete)
        guard.step([&] { run.staged.commit(); });
    run.listFileCreated = listComplete && !run.staged.holds(run.listFile.target());
    run.staged.discard();

    result.processed = run.ProcessedCount;
    result.end = RunResult::End::Written;
    if (!run.listFileCreated) {
        host.beep();
        tell(host,
             QStringLiteral("ファイル（") + displayName(run.ListFilePath) +
                 QStringLiteral("）を作成できませんでした。"),
             MessageIcon::Warning);
        return;
    }
    host.setInfo(QStringLiteral("処理完了 ") + QString::number(run.ProcessedCount) + u'/' +
                 QString::number(run.FoundCount));
    host.beep();

    if (env.values.OpenWhenDone) {
        guard.step([&] { OpenResultInBrowser(env); });
    } else if (ask(host,
                   QStringLiteral("ファイル（") + run.ListFilePath +
                       QStringLiteral("）を作成しました。\r\nブラウザで表示しますか？"),
                   Question::OpenResult)) {
        guard.step([&] { OpenResultInBrowser(env); });
    }
}

} // namespace

QString NormalizeFolderPath(const QString& Path, const QString& applicationFolder) {
    QString folder = Path.isEmpty() ? applicationFolder : Path;
    if (!QDir::isAbsolutePath(folder))
        folder = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    return withTrailingSlash(folder);
}

RunResult GenerateListPages(RunEnv& env) {
    RunResult result;
    {
        RunContext run(env);
        try {
            runSteps(run, result);
        } catch (const RunEnded&) {
            // result.end still says Aborted, unless the list was complete before the run ended.
        }
        result.processed = run.ProcessedCount;
        result.written = run.WrittenCount;
        result.listFileCreated = run.listFileCreated;
    }
    env.host.setInfo(QString());
    env.host.setCaption(AppTitle());
    env.host.processEvents();
    return result;
}

void OpenResultInBrowser(RunEnv& env) {
    const QString folder =
        isOn(env.settings, u"OUTFOLDER") ? env.ProgramFolder : env.settings.value(u"FOLDER");
    const QString fileName = env.settings.value(u"OUTFILENAME") + QStringLiteral(".html");
    // A hidden list file counts as there: the run just wrote it, and running again would ask about
    // overwriting it and then come back here.
    if (!AnyFileExists(folder + fileName)) {
        env.values.OpenWhenDone = true;
        if (env.runButton)
            env.runButton();
        else
            GenerateListPages(env);
        env.values.OpenWhenDone = false;
        return;
    }
    env.host.openFile(fileName, folder);
}

} // namespace veldrin
