#pragma once

// File access shared by the header readers, the EXIF lookup and the TGA decoder. Not installed:
// callers outside this library go through the public headers.

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

struct stat;

namespace veldrin::detail {

// A read-only file descriptor with the file's length taken when it was opened; closed on destruction.
class OpenFile {
public:
    OpenFile() = default;
    OpenFile(int fd, std::int64_t length) : m_fd(fd), m_length(length) {}
    OpenFile(OpenFile&& other) noexcept;
    OpenFile& operator=(OpenFile&& other) noexcept;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile();

    bool isOpen() const { return m_fd >= 0; }
    // Gives up ownership of the descriptor.
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    std::int64_t length() const { return m_length; }

    // Reads up to size bytes at offset and returns how many arrived; fewer only at the end of the file
    // or on a read error.
    std::size_t readAt(std::int64_t offset, void* buffer, std::size_t size) const;

private:
    int m_fd = -1;
    std::int64_t m_length = 0;
};

// Opens path, relative to the folder open as folderFd (or AT_FDCWD), for reading; never blocks on a
// FIFO. -1 with errno set when that fails.
int openForReadingAt(int folderFd, const QByteArray& path);

// A regular file longer than 1 byte: what the header readers read.
bool isUsableStatus(const struct stat& st);

// Names that begin with "." are hidden and count as missing.
bool isHiddenName(const QString& fileName);

// Opens a usable picture file: a regular file, not hidden, longer than 1 byte. An unusable or missing
// file gives a closed OpenFile; a usable file that cannot be opened raises the file error.
OpenFile openUsableFile(const QString& fileName);

// Opens any regular file for reading; a closed OpenFile when that fails. Never blocks on a FIFO.
OpenFile openRegularFile(const QString& fileName);

// A small window over an open file for reading a few bytes at scattered offsets, so that walking a
// JPEG's segments costs one read per few kilobytes of headers, not one per marker.
class FileWindow {
public:
    // head holds the first headSize bytes of the file, already read by the caller (may be 0).
    FileWindow(const OpenFile& file, const std::uint8_t* head, std::size_t headSize);

    std::int64_t length() const { return m_file.length(); }
    const OpenFile& file() const { return m_file; }

    // The size bytes at offset (size at most MaxPeek); bytes beyond the end of the file read as 0.
    const std::uint8_t* peek(std::int64_t offset, std::size_t size);

    static constexpr std::size_t MaxPeek = 16;

private:
    static constexpr std::size_t Capacity = 4096;

    const OpenFile& m_file;
    std::array<std::uint8_t, Capacity + MaxPeek> m_buffer{};
    std::int64_t m_start = 0;
    std::size_t m_count = 0;
};

// The EXIF orientation of the open JPEG file whose first headSize bytes are head, as
// jpegOrientation reads it.
int jpegOrientationOf(const OpenFile& file, const std::uint8_t* head, std::size_t headSize);

inline bool isFrameMarker(std::uint8_t marker) {
    return (marker >= 0xC0 && marker <= 0xC3) || (marker >= 0xC9 && marker <= 0xCB);
}

// Walks a JPEG's segments from offset 2 the way the whole-file reader does: while p < length - 4,
// byte p must be 0xFF; a frame marker ends the walk at p; any other marker is skipped by its BE16
// length. onSegment(marker, p, segmentLength) sees each skipped segment and returns false to stop.
// Returns the frame header's offset, or -1 when the walk ends without one. The caller has checked
// the 0xFF 0xD8 signature.
template <typename OnSegment> std::int64_t findJpegFrame(FileWindow& window, OnSegment&& onSegment) {
    const std::int64_t length = window.length();
    std::int64_t p = 2;
    while (p < length - 4) {
        const std::uint8_t* b = window.peek(p, 4);
        if (b[0] != 0xFF)
            return -1;
        const std::uint8_t marker = b[1];
        if (isFrameMarker(marker))
            return p;
        const int segmentLength = b[2] * 256 + b[3];
        if (!onSegment(marker, p, segmentLength))
            return -1;
        p += segmentLength + 2;
    }
    return -1;
}

} // namespace veldrin::detail
