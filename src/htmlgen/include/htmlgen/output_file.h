#pragma once

#include <QByteArray>
#include <QString>

namespace veldrin {

// A page being written: created new (an existing file is replaced), every piece written as one
// line in Shift_JIS followed by CR LF. Failures raise the file error. A line is either written
// whole or not at all, so a step that failed can be tried again without writing a line twice.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file; a folder on the way that does not exist is the path-not-found error.
    void create(const QString& path);
    bool isOpen() const { return m_fd >= 0; }
    const QString& path() const { return m_path; }

    void writeLine(const QString& text);

    // Writes what is buffered and closes the file.
    void close();

private:
    void flush();

    int m_fd = -1;
    QString m_path;
    QByteArray m_buffer;
};

} // namespace veldrin
