// GIO's headers name struct members "signals"; include them before anything of Qt's.
#include <gio/gio.h>

#include "htmlgen/desktop.h"
#include "startup/native_name.h"

#include <QFile>

#include <map>
#include <string>

namespace veldrin {

QString FindAssociatedProgram(const QString& FileName, const QString& Folder) {
    // The content type is guessed from the name alone; the files asked about exist at that
    // moment (just found by the search, or just written), so their existence is not checked again.
    const QString path = Folder + FileName;
    // A run asks for every entry: the answer is worked out once per file-name suffix, which is
    // what the content type of a name is guessed from.
    const qsizetype dot = FileName.lastIndexOf(u'.');
    const QString suffix = dot >= 0 ? FileName.mid(dot).toLower() : FileName;
    thread_local std::map<QString, QString> bySuffix;
    if (auto found = bySuffix.find(suffix); found != bySuffix.end())
        return found->second;
    const QByteArray native = toNativeName(path);
    gboolean uncertain = FALSE;
    gchar* type = g_content_type_guess(native.constData(), nullptr, 0, &uncertain);
    if (!type)
        return {};
    const std::string key = type;
    g_free(type);
    thread_local std::map<std::string, QString> cache;
    if (auto found = cache.find(key); found != cache.end()) {
        bySuffix.emplace(suffix, found->second);
        return found->second;
    }
    QString id;
    if (GAppInfo* app = g_app_info_get_default_for_type(key.c_str(), FALSE)) {
        if (const char* appId = g_app_info_get_id(app))
            id = QString::fromUtf8(appId);
        g_object_unref(app);
    }
    cache.emplace(key, id);
    bySuffix.emplace(suffix, id);
    return id;
}

bool openWithAssociatedProgram(const QString& path) {
    const QByteArray native = toNativeName(path);
    gchar* uri = g_filename_to_uri(native.constData(), nullptr, nullptr);
    if (!uri)
        return false;
    GError* error = nullptr;
    const gboolean ok = g_app_info_launch_default_for_uri(uri, nullptr, &error);
    g_free(uri);
    if (error)
        g_error_free(error);
    return ok;
}

} // namespace veldrin
