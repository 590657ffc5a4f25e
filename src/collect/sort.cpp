#include "collect/sort.h"

#include "startup/vb_runtime.h"

#include <algorithm>
#include <utility>

namespace veldrin {
namespace {

QString sortKey(const FoundFile& f) {
    return f.SubFolder.toLower() + u' ' + f.FileName.toLower();
}

// Order by 16-bit character code, whatever the library's own string ordering does with surrogates.
bool codeUnitLess(const QString& a, const QString& b) {
    return std::lexicographical_compare(a.utf16(), a.utf16() + a.size(), b.utf16(), b.utf16() + b.size());
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
