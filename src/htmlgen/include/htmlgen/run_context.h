#pragma once

#include "collect/found_file.h"
#include "htmlgen/error_handler.h"
#include "htmlgen/output_file.h"
#include "startup/run_host.h"
#include "startup/settings_access.h"
#include "thumbs/run_values.h"

#include <QString>

#include <functional>

namespace veldrin {

// Where a run takes its settings, window and run-wide values from.
struct RunEnv {
    SettingsAccess& settings;
    RunHost& host;
    RunValues& values;
    QString ProgramFolder;     // output folder for OUTFOLDER; empty when started with a command line
    QString applicationFolder; // the program's own folder, searched when FOLDER is empty
    // The window's run button, for a view request that must write the list first: it prepares the
    // window around the run. Empty: the run alone.
    std::function<void()> runButton = {};
};

// The state of one generation run, from the press of the run button to its end. Open files are
// closed on every way out.
struct RunContext {
    explicit RunContext(RunEnv& e) : env(e), guard(e.host) {}

    RunEnv& env;
    ErrorHandler guard;

    QString TargetFolder;        // the searched folder, ending in "/"
    QString TargetFolderUrl;     // the same without its leading "/", for "file:///" URLs
    QString TargetFolderUrlAttr; // TargetFolderUrl escaped for a page, for the entry loop
    QString BaseName;            // OUTFILENAME as typed
    QString outputFolder;        // where the list and its parts go
    QString ListFilePath;
    QString FrameSetFilePath;
    QString BlankPagePath;
    bool OverwriteConfirmed = false;
    FoundFileList FoundFiles;
    int FoundCount = 0;
    QString PageHead;
    QString ScriptBlock;
    QString BodyLine;
    QString TableOpen;
    QString BrowserProgram;
    int ProcessedCount = 0;
    int WrittenCount = 0; // entries that reached the page
    QString PreviousFolder = QStringLiteral("..");
    int PartNumber = 0;
    int PartEntryCount = 0;

    bool listFileCreated = false; // the list file is in place, complete
    StagedOutputs staged;         // before the files: it outlives them
    OutputFile listFile{staged};  // the list file; in split mode the index
    OutputFile partFile{staged};  // split mode: the part being written
    OutputFile* ListFile = nullptr;
    OutputFile* IndexFile = nullptr;

    // Split mode: FILELIMIT or DIVFOLDER on. Frame mode: USEFRAME on and OUTHTMLTYPE not "0".
    // Absolute links: PATHTYPE off or OUTFOLDER on.
    bool splitMode() const;
    bool frameMode() const;
    bool absoluteLinks() const;
    QString outputType() const { return env.settings.value(u"OUTHTMLTYPE"); }
    bool on(QStringView key) const { return isOn(env.settings, key); }

    // Writes one line to file as a guarded step; whether it was written.
    bool write(OutputFile& file, const QString& line);
};

} // namespace veldrin
