#pragma once

#include <QString>

namespace veldrin {

enum class MessageButtons { Ok, YesNo, AbortRetryIgnore };
enum class MessageIcon { None, Critical, Question, Warning, Information };
enum class MessageAnswer { Ok, Yes, No, Abort, Retry, Ignore };

// What a question is about, so that a host without a window can answer it from its options.
enum class Question {
    None,
    OverwriteList,          // the list file exists (before or after the search)
    ConvertTga,             // convert the run's TGA files to JPEG
    OverwriteThumbnail,     // a thumbnail from an earlier run has the same name
    OverwriteAllThumbnails, // after yes: overwrite every clashing thumbnail of the run
    KeepAllThumbnails,      // after no: keep every clashing thumbnail of the run
    OpenResult,             // open the finished list
};

struct MessageBoxRequest {
    QString text;
    QString caption;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    Question question = Question::None;
};

struct ScreenSize {
    int widthPixels = 1920;
    int heightPixels = 1080;
    double dotsPerInchX = 96;
    double dotsPerInchY = 96;

    // Sizes in twips (1/1440 inch).
    double widthTwips() const { return widthPixels * 1440.0 / dotsPerInchX; }
    double heightTwips() const { return heightPixels * 1440.0 / dotsPerInchY; }
};

// Everything a run needs from the window it runs in: the information line and caption, letting
// pending events run, beeps, message boxes, the stop flag, the screen, and the desktop's file
// associations. The main window implements it for the desktop program; veldrin-cli and the tests
// have their own.
class RunHost {
public:
    virtual ~RunHost() = default;

    virtual void setInfo(const QString& text) = 0;
    virtual void setCaption(const QString& text) = 0;
    virtual void processEvents() = 0;
    virtual void beep() = 0;
    virtual MessageAnswer showMessage(const MessageBoxRequest& box) = 0;
    virtual bool stopRequested() const = 0;
    virtual ScreenSize screenSize() const = 0;

    // Opens folder + fileName with the program associated with it.
    virtual void openFile(const QString& fileName, const QString& folder) = 0;
    // An identifier of the program that opens fileName in folder, "" when there is none.
    virtual QString associatedProgram(const QString& fileName, const QString& folder) = 0;

    // A thumbnail that could not be written; the entry shows the picture instead. The window says
    // nothing of it; a command line reports it.
    virtual void thumbnailNotWritten(const QString& path, const QString& reason) {
        (void)path;
        (void)reason;
    }

    // The entry loop's progress, for hosts that show it other than through the information line.
    virtual void progress(int processed, int total, const QString& path) {
        (void)processed;
        (void)total;
        (void)path;
    }
};

} // namespace veldrin
