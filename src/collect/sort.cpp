#include "collect/sort.h"

#include "startup/vb_runtime.h"

#include <algorithm>
#include <utility>

namespace veldrin {
namespace {

void appendLower(QString& key, const QString& text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            key += text.toLower(); // the full mapping, for the rare text beyond ASCII
            return;
        }
    }
    for (QChar c : text) {
        const char16_t u = c.unicode();
        key += QChar(u >= u'A' && u <= u'Z' ? static_cast<char16_t>(u + (u'a' - u'A')) : u);
    }
}

bool isAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// ASCII lowered into out, which has room for text.
QChar* lowerAsciiInto(QChar* out, const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        *out++ = QChar(u >= u'A' && u <= u'Z' ? static_cast<char16_t>(u + (u'a' - u'A')) : u);
    }
    return out;
}

QString sortKey(const FoundFile& f) {
    // Nearly every name is ASCII: its key is written in one piece.
    if (isAscii(f.SubFolder) && isAscii(f.FileName)) {
        QString key(f.SubFolder.size() + 1 + f.FileName.size(), Qt::Uninitialized);
        QChar* out = lowerAsciiInto(key.data(), f.SubFolder);
        *out++ = u' ';
        lowerAsciiInto(out, f.FileName);
        return key;
    }
    QString key;
    key.reserve(f.SubFolder.size() + 1 + f.FileName.size());
    appendLower(key, f.SubFolder);
    key += u' ';
    appendLower(key, f.FileName);
    return key;
}

// Order by 16-bit character code (the library compares UTF-16 code units, surrogates included).
bool codeUnitLess(const QString& a, const QString& b) {
    return QStringView(a).compare(QStringView(b), Qt::CaseSensitive) < 0;
}

class Sorter {
public:
    Sorter(FoundFileList& list, std::vector<QString>& keys, int offset, bool descending)
        : m_list(list), m_keys(keys), m_offset(offset), m_descending(descending) {}

    // Partitions exactly as the classic recursive version does, but recurses into the smaller
    // range and loops over the larger one, so the depth stays logarithmic. The two ranges are
    // disjoint, so the order of working on them does not change the result.
    void sort(int first, int last) {
        while (first < last) {
            const int mid = static_cast<int>(roundHalfEven((static_cast<double>(first) + last) / 2));
            swap(first, mid);
            int lastSmall = first;
            for (int i = first + 1; i <= last; ++i) {
                if (before(key(i), key(first))) {
                    ++lastSmall;
                    swap(lastSmall, i);
                }
            }
            swap(first, lastSmall);
            if (lastSmall - first < last - lastSmall) {
                sort(first, lastSmall - 1);
                first = lastSmall + 1;
            } else {
                sort(lastSmall + 1, last);
                last = lastSmall - 1;
            }
        }
    }

private:
    const QString& key(int i) const { return m_keys[static_cast<size_t>(i - m_offset)]; }
    bool before(const QString& a, const QString& pivot) const {
        return m_descending ? codeUnitLess(pivot, a) : codeUnitLess(a, pivot);
    }
    void swap(int a, int b) {
        if (a == b)
            return;
        std::swap(m_list[static_cast<size_t>(a)], m_list[static_cast<size_t>(b)]);
        std::swap(m_keys[static_cast<size_t>(a - m_offset)], m_keys[static_cast<size_t>(b - m_offset)]);
    }

    FoundFileList& m_list;
    std::vector<QString>& m_keys;
    int m_offset;
    bool m_descending;
};

} // namespace

void QuickSortFiles(FoundFileList& list, int first, int last, const SettingsAccess& settings) {
    if (first >= last)
        return;
    // The direction box cannot change during the sort (it lets no events run), so one read serves.
    const bool descending = isOn(settings, u"SORTORDER");
    // Keys are built once rather than per comparison; they are the same texts either way.
    std::vector<QString> keys;
    keys.reserve(static_cast<size_t>(last - first + 1));
    for (int i = first; i <= last; ++i)
        keys.push_back(sortKey(list[static_cast<size_t>(i)]));
    Sorter(list, keys, first, descending).sort(first, last);
}

} // namespace veldrin
