#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace veldrin {

// The pages of one run, written under hidden temporary names in their folders and put in place
// together when the run ends well: a run that ends early, by Abort, a full disk or a kill, leaves
// the earlier catalogue exactly as it was.
class StagedOutputs {
public:
    StagedOutputs() = default;
    ~StagedOutputs(); // removes every temporary file not put in place
    StagedOutputs(const StagedOutputs&) = delete;
    StagedOutputs& operator=(const StagedOutputs&) = delete;

    // Creates a temporary file for path in path's folder and returns its descriptor (-1 with errno
    // set on failure) and name. The first call for a folder also removes what runs that were
    // killed left there (our own names only, of processes that are gone).
    int createTemporaryFor(const QString& path, QByteArray& temporary);

    // A complete file, to be renamed to path by commit().
    void add(QByteArray temporary, const QString& path);
    bool holds(const QString& path) const;

    // Renames the complete files into place, in the order they were finished. A failed rename
    // raises the file error; calling again goes on with the files not yet in place.
    void commit();
    // Removes the complete files instead of putting them in place.
    void discard();

private:
    struct Staged {
        QByteArray temporary;
        QString path;
    };
    std::vector<Staged> m_staged;
    std::vector<QString> m_sweptFolders;
};

// A page being written: every piece written as one line in Shift_JIS followed by CR LF. Failures
// raise the file error. A line is either written whole or not at all, so a step that failed can be
// tried again without writing a line twice. The file is written under a temporary name; closing
// hands it to the run's StagedOutputs, and a file dropped while open is removed.
class OutputFile {
public:
    explicit OutputFile(StagedOutputs& staging) : m_staging(staging) {}
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file; a folder on the way that does not exist is the path-not-found error.
    void create(const QString& path);
    bool isOpen() const { return m_fd >= 0; }
    const QString& path() const { return m_path; }
    const QString& target() const { return m_target; } // the path it is staged for

    void writeLine(const QString& text);

    // Writes what is buffered, closes the file and stages it.
    void close();

private:
    void flush();

    StagedOutputs& m_staging;
    int m_fd = -1;
    QString m_path;   // as the run names it
    QString m_target; // where it goes: a link followed
    QByteArray m_temporary;
    QByteArray m_buffer;
};

} // namespace veldrin
