#pragma once

#include "imageinfo/bitmap.h"

#include <QString>

#include <optional>

namespace veldrin {

// The JPEG save module (SaveJPG.DLL) loaded from a file at run time. Holding one keeps the module
// loaded; the last owner unloads it.
class JpegLibrary {
public:
    // Loads the module at path and finds DCSavetoJPEG in it. Nothing when either fails; error, when
    // given, then receives the loader's reason.
    static std::optional<JpegLibrary> load(const QString& path, QString* error = nullptr);

    JpegLibrary(JpegLibrary&& other) noexcept;
    JpegLibrary& operator=(JpegLibrary&& other) noexcept;
    JpegLibrary(const JpegLibrary&) = delete;
    JpegLibrary& operator=(const JpegLibrary&) = delete;
    ~JpegLibrary();

    // Writes picture as a JPEG file; the module's result: 0 when the file was written.
    int save(const Bitmap& picture, const QString& fileName, int quality, bool progressive) const;

private:
    using SaveFunction = int (*)(const void*, int, int, int, const char*, int, int);
    JpegLibrary(void* handle, SaveFunction save) : m_handle(handle), m_save(save) {}

    void* m_handle = nullptr;
    SaveFunction m_save = nullptr;
};

} // namespace veldrin
