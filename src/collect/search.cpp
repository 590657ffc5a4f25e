#include "collect/search.h"

#include "startup/atomic_write.h"
#include "startup/errors.h"
#include "startup/native_name.h"
#include "startup/startup.h"

#include <QFile>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace veldrin {
namespace {

// The settings that decide which files are targets. Read once per folder: nothing can change
// them while one folder is listed, since events run only between folders.
struct TargetFilter {
    bool everyFile = false;
    std::vector<QString> dottedExtensions; // upper case, up to the first empty item
    bool excludeThumbnails = false;
    QString affix;
    bool affixAfterName = false;

    explicit TargetFilter(const SettingsAccess& settings)
        : excludeThumbnails(isOn(settings, u"CREATESPIC")), affix(settings.value(u"SPICNAME").toUpper()),
          affixAfterName(settings.value(u"SPICNAME_DIST") == u"1") {
        const QString extensions = settings.value(u"OBJTYPE");
        everyFile = extensions.isEmpty();
        for (const QString& item : extensions.split(u',')) {
            if (item.isEmpty())
                break; // an empty item ends the list
            dottedExtensions.push_back(u'.' + item.toUpper());
        }
    }

    bool accepts(const QString& name) const {
        if (!everyFile && !hasListedExtension(name))
            return false;
        if (!excludeThumbnails || !tailEqualsUpper(name, u".JPG"))
            return true;
        const QString base = name.left(name.size() - 4).toUpper();
        return affixAfterName ? !base.endsWith(affix) : !base.startsWith(affix);
    }

    bool hasListedExtension(const QString& name) const {
        for (const QString& dotted : dottedExtensions) {
            if (tailEqualsUpper(name, dotted))
                return true;
        }
        return false;
    }

    // Whether the last upper.size() characters of name, upper-cased, equal upper. Plain ASCII
    // tails, nearly every file name, are compared in place; others the long way, since
    // upper-casing can change a text's length.
    static bool tailEqualsUpper(const QString& name, QStringView upper) {
        const qsizetype n = upper.size();
        if (name.size() >= n) {
            const QChar* tail = name.constData() + name.size() - n;
            bool ascii = true;
            for (qsizetype i = 0; i < n && ascii; ++i)
                ascii = tail[i].unicode() < 0x80;
            if (ascii) {
                for (qsizetype i = 0; i < n; ++i) {
                    char16_t c = tail[i].unicode();
                    if (c >= u'a' && c <= u'z')
                        c = static_cast<char16_t>(c - (u'a' - u'A'));
                    if (c != upper[i].unicode())
                        return false;
                }
                return true;
            }
        }
        return name.right(n).toUpper() == upper;
    }
};

using FolderId = std::pair<dev_t, ino_t>;

struct SearchState {
    const SettingsAccess& settings;
    RunHost& host;
    std::vector<FolderId> ancestors; // the folders being searched, from the root down
};

enum class ErrorChoice { Retry, Ignore, Abort };

ErrorChoice askAboutError(RunHost& host, const VeldrinError& error) {
    host.beep();
    const MessageAnswer answer = host.showMessage({QStringLiteral("SearchFile:") + error.description(),
                                                   AppTitle() + QStringLiteral(" エラー"),
                                                   MessageButtons::AbortRetryIgnore, MessageIcon::Critical});
    if (answer == MessageAnswer::Retry)
        return ErrorChoice::Retry;
    if (answer == MessageAnswer::Ignore)
        return ErrorChoice::Ignore;
    return ErrorChoice::Abort;
}

class DirCloser {
public:
    explicit DirCloser(DIR* dir) : m_dir(dir) {}
    ~DirCloser() {
        if (m_dir)
            ::closedir(m_dir);
    }
    DirCloser(const DirCloser&) = delete;
    DirCloser& operator=(const DirCloser&) = delete;

private:
    DIR* m_dir;
};

enum class EntryKind { File, Folder, Other };

int searchFolder(const QString& root, const QString& subFolder, bool includeSubfolders, FoundFileList& list,
                 int startIndex, SearchState& state) {
    RunHost& host = state.host;
    host.setInfo(QStringLiteral("ファイル検索中... ") + root + subFolder);
    host.processEvents();
    if (host.stopRequested())
        return startIndex;

    const QString folder = root + subFolder;
    const QByteArray nativeFolder = toNativeName(folder);
    int index = startIndex;
    const TargetFilter filter(state.settings);

    DIR* dir = nullptr;
    for (;;) {
        dir = ::opendir(nativeFolder.constData());
        // A folder that is not there holds no files; only other failures are worth a question.
        if (dir || errno == ENOENT || errno == ENOTDIR)
            break;
        const ErrorChoice choice = askAboutError(host, fileError(errno, folder, false));
        if (choice == ErrorChoice::Abort)
            return -1;
        if (choice == ErrorChoice::Ignore)
            break;
    }
    if (!dir)
        return index;
    DirCloser closer(dir);

    struct stat self {};
    if (::fstat(::dirfd(dir), &self) == 0) {
        const FolderId id{self.st_dev, self.st_ino};
        if (std::find(state.ancestors.begin(), state.ancestors.end(), id) != state.ancestors.end())
            return index; // reached again through a link: searching it twice could recurse forever
        state.ancestors.push_back(id);
    } else {
        state.ancestors.push_back({0, 0});
    }

    // Subfolders are searched after the listing, in listing order.
    std::vector<QString> subfolders;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno == 0)
                break;
            const ErrorChoice choice = askAboutError(host, fileError(errno, folder, false));
            if (choice == ErrorChoice::Abort) {
                state.ancestors.pop_back();
                return -1;
            }
            if (choice == ErrorChoice::Ignore)
                break;
            continue;
        }
        const char* name = entry->d_name;
        if (name[0] == '.') {
            // ".", ".." and hidden entries. What a killed run of ours left (an unfinished thumbnail,
            // say) goes now that the folder is read anyway; where it cannot, it is merely hidden.
            if (isStaleTemporary(name))
                (void)::unlinkat(::dirfd(dir), name, 0);
            continue;
        }

        EntryKind kind = EntryKind::Other;
        if (entry->d_type == DT_DIR)
            kind = EntryKind::Folder;
        else if (entry->d_type == DT_REG)
            kind = EntryKind::File;
        else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            bool skip = false;
            while (::fstatat(::dirfd(dir), name, &st, 0) != 0) {
                // A link to nothing names no file at all.
                if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP) {
                    skip = true;
                    break;
                }
                const ErrorChoice choice =
                    askAboutError(host, fileError(errno, folder + fromNativeName(name), false));
                if (choice == ErrorChoice::Abort) {
                    state.ancestors.pop_back();
                    return -1;
                }
                if (choice == ErrorChoice::Ignore) {
                    skip = true;
                    break;
                }
            }
            if (!skip)
                kind = S_ISDIR(st.st_mode)   ? EntryKind::Folder
                       : S_ISREG(st.st_mode) ? EntryKind::File
                                             : EntryKind::Other;
        }

        if (kind == EntryKind::Folder) {
            subfolders.push_back(fromNativeName(name) + u'/');
        } else if (kind == EntryKind::File) {
            QString fileName = fromNativeName(name);
            if (filter.accepts(fileName)) {
                FoundFile found{subFolder, std::move(fileName)};
                if (static_cast<size_t>(index) < list.size())
                    list[static_cast<size_t>(index)] = std::move(found);
                else
                    list.push_back(std::move(found));
                ++index;
            }
        }
        // Sockets, pipes and devices are not picture files.
    }

    if (includeSubfolders) {
        for (const QString& sub : subfolders) {
            FoundFileList found;
            const int count = searchFolder(root, subFolder + sub, true, found, 0, state);
            if (count > 0) {
                list.resize(static_cast<size_t>(index));
                list.insert(list.end(), std::make_move_iterator(found.begin()),
                            std::make_move_iterator(found.begin() + count));
                index += count;
            }
        }
    }
    state.ancestors.pop_back();
    return index;
}

} // namespace

bool IsTargetFile(const QString& fileName, const SettingsAccess& settings) {
    return TargetFilter(settings).accepts(fileName);
}

int SearchFile(const QString& root, const QString& subFolder, bool includeSubfolders, FoundFileList& list,
               int startIndex, const SettingsAccess& settings, RunHost& host) {
    SearchState state{settings, host, {}};
    return searchFolder(root, subFolder, includeSubfolders, list, startIndex, state);
}

} // namespace veldrin
