#include "thumbs/jpeg_library.h"

#include "savejpg.h"
#include "startup/native_name.h"

#include <QFile>

#include <dlfcn.h>
#include <type_traits>
#include <utility>

namespace veldrin {

static_assert(
    std::is_same_v<DCSavetoJPEGFunction, int (*)(const void*, int, int, int, const char*, int, int)>,
    "the loader's view of DCSavetoJPEG must match the module's");

std::optional<JpegLibrary> JpegLibrary::load(const QString& path, QString* error) {
    auto fail = [error](const char* reason) -> std::optional<JpegLibrary> {
        if (error)
            *error = QString::fromLocal8Bit(reason ? reason : "");
        return std::nullopt;
    };
    const QByteArray native = toNativeName(path);
    // RTLD_LOCAL: the module's own copies of shared helpers must not replace the program's.
    void* handle = ::dlopen(native.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return fail(::dlerror());
    ::dlerror();
    void* symbol = ::dlsym(handle, "DCSavetoJPEG");
    if (!symbol) {
        const char* reason = ::dlerror();
        std::optional<JpegLibrary> none = fail(reason ? reason : "DCSavetoJPEG not found");
        ::dlclose(handle);
        return none;
    }
    return JpegLibrary(handle, reinterpret_cast<SaveFunction>(symbol));
}

JpegLibrary::JpegLibrary(JpegLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_save(std::exchange(other.m_save, nullptr)) {}

JpegLibrary& JpegLibrary::operator=(JpegLibrary&& other) noexcept {
    if (this != &other) {
        if (m_handle)
            ::dlclose(m_handle);
        m_handle = std::exchange(other.m_handle, nullptr);
        m_save = std::exchange(other.m_save, nullptr);
    }
    return *this;
}

JpegLibrary::~JpegLibrary() {
    if (m_handle)
        ::dlclose(m_handle);
}

int JpegLibrary::save(const Bitmap& picture, const QString& fileName, int quality, bool progressive) const {
    // The module trusts the size it is given, so a bitmap whose pixels fall short never reaches it.
    const bool complete =
        !picture.isNull() && picture.pixels.size() >= static_cast<std::size_t>(picture.width) *
                                                          static_cast<std::size_t>(picture.height);
    if (!m_save || !complete)
        return SAVEJPG_BAD_ARGUMENT;
    const QByteArray native = toNativeName(fileName);
    return m_save(picture.pixels.data(), picture.stride(), picture.width, picture.height, native.constData(),
                  quality, progressive ? 1 : 0);
}

} // namespace veldrin
