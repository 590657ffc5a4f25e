#include "startup/profile_file.h"

namespace veldrin {
namespace {

struct Line {
    QByteArray text;   // without its line end
    QByteArray ending; // "\r\n", "\n", "\r" or "" for a last line without one
};

std::vector<Line> splitLines(const QByteArray& contents) {
    std::vector<Line> lines;
    qsizetype start = 0;
    const qsizetype n = contents.size();
    while (start < n) {
        qsizetype end = start;
        while (end < n && contents[end] != '\n' && contents[end] != '\r')
            ++end;
        Line line{contents.mid(start, end - start), {}};
        if (end < n) {
            if (contents[end] == '\r' && end + 1 < n && contents[end + 1] == '\n') {
                line.ending = "\r\n";
                end += 2;
            } else {
                line.ending = contents.mid(end, 1);
                end += 1;
            }
        }
        lines.push_back(std::move(line));
        start = end;
    }
    return lines;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray trimmed(const QByteArray& s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

// Names are ASCII in practice; compare them case-insensitively as text.
bool sameName(const QByteArray& bytes, const QString& name) {
    return QString::fromLatin1(bytes).compare(name, Qt::CaseInsensitive) == 0;
}

// The section name of a "[name]" line, or nothing.
std::optional<QByteArray> sectionName(const QByteArray& line) {
    const QByteArray t = trimmed(line);
    if (!t.startsWith('['))
        return std::nullopt;
    const qsizetype close = t.indexOf(']');
    return trimmed(t.mid(1, close < 0 ? -1 : close - 1));
}

// Splits "key=value" into its trimmed key and raw value, or nothing when there is no "=".
std::optional<std::pair<QByteArray, QByteArray>> keyLine(const QByteArray& line) {
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return std::nullopt;
    return std::make_pair(trimmed(line.left(eq)), line.mid(eq + 1));
}

QByteArray unquoted(const QByteArray& raw) {
    QByteArray v = trimmed(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

} // namespace

std::optional<QByteArray> findProfileValue(const QByteArray& contents, const QString& section,
                                           const QString& key) {
    bool inSection = false;
    bool sectionSeen = false;
    for (const Line& line : splitLines(contents)) {
        if (auto name = sectionName(line.text)) {
            // Only the first section of the name counts.
            if (inSection)
                return std::nullopt;
            inSection = !sectionSeen && sameName(*name, section);
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection)
            continue;
        if (auto kv = keyLine(line.text); kv && sameName(kv->first, key))
            return unquoted(kv->second);
    }
    return std::nullopt;
}

QByteArray cutAtCharacterBoundary(const QByteArray& bytes, int maxBytes) {
    if (bytes.size() <= maxBytes)
        return bytes;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        const qsizetype width = lead ? 2 : 1;
        if (i + width > maxBytes)
            break;
        i += width;
    }
    return bytes.left(i);
}

QByteArray storedValueBytes(const QByteArray& value) {
    QByteArray v = value;
    v.replace("\r", "").replace("\n", "");
    const bool loseEnds =
        !v.isEmpty() && (isBlank(v.front()) || isBlank(v.back()) ||
                         (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()));
    if (loseEnds)
        v = '"' + v + '"';
    return v;
}

QByteArray withProfileValues(const QByteArray& contents, const QString& section,
                             const std::vector<std::pair<QString, QByteArray>>& values) {
    std::vector<Line> lines = splitLines(contents);
    const QByteArray newline = "\r\n";

    // Locate the first section of that name: its header and the line after its last non-blank line.
    std::optional<size_t> header;
    size_t sectionEnd = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (auto name = sectionName(lines[i].text)) {
            if (header) {
                sectionEnd = i;
                break;
            }
            if (sameName(*name, section))
                header = i;
        }
    }
    if (!header) {
        if (!lines.empty() && lines.back().ending.isEmpty())
            lines.back().ending = newline;
        lines.push_back({'[' + section.toLatin1() + ']', newline});
        header = lines.size() - 1;
        sectionEnd = lines.size();
    }

    for (const auto& [key, value] : values) {
        const QByteArray text = key.toLatin1() + '=' + storedValueBytes(value);
        bool replaced = false;
        for (size_t i = *header + 1; i < sectionEnd; ++i) {
            if (auto kv = keyLine(lines[i].text); kv && sameName(kv->first, key)) {
                lines[i].text = text;
                replaced = true;
                break;
            }
        }
        if (replaced)
            continue;
        size_t at = sectionEnd;
        while (at > *header + 1 && trimmed(lines[at - 1].text).isEmpty())
            --at;
        if (lines[at - 1].ending.isEmpty())
            lines[at - 1].ending = newline;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), Line{text, newline});
        ++sectionEnd;
    }

    QByteArray out;
    out.reserve(contents.size() + 64 * static_cast<qsizetype>(values.size()));
    for (const Line& line : lines)
        out += line.text + line.ending;
    return out;
}

} // namespace veldrin
