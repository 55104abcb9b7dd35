#include "support/settingsfile.h"

#include "support/win1251codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <vector>

namespace {

// One line of the file as stored: its text without the line break, and the break itself
// ("\r\n", "\n" or nothing for a last line without one).
struct Line {
    QByteArray text;
    QByteArray lineBreak;
};

std::vector<Line> splitLines(const QByteArray &content) {
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < content.size()) {
        const qsizetype newline = content.indexOf('\n', start);
        if (newline < 0) {
            lines.push_back({content.mid(start), {}});
            break;
        }
        const bool crlf = newline > start && content.at(newline - 1) == '\r';
        const qsizetype textEnd = crlf ? newline - 1 : newline;
        lines.push_back({content.mid(start, textEnd - start), crlf ? "\r\n" : "\n"});
        start = newline + 1;
    }
    return lines;
}

// What a line means to the INI reader.
struct Parsed {
    enum class Kind { Other, Section, Key } kind = Kind::Other;
    QString name; // section or key name
    QString value;
};

Parsed parseLine(const QByteArray &bytes) {
    const QString text = win1251::decode(bytes).trimmed();
    Parsed parsed;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        parsed.kind = Parsed::Kind::Section;
        parsed.name = text.mid(1, close < 0 ? -1 : close - 1).trimmed();
    } else if (!text.startsWith(QLatin1Char(';'))) {
        const qsizetype equals = text.indexOf(QLatin1Char('='));
        if (equals > 0) {
            parsed.kind = Parsed::Kind::Key;
            parsed.name = text.left(equals).trimmed();
            parsed.value = text.mid(equals + 1).trimmed();
        }
    }
    return parsed;
}

bool sameName(const QString &a, const QString &b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a key is in the file: its line, the section's header line and the section's last line
// that is not blank; -1 for whatever is missing.
struct Place {
    int section = -1;
    int key = -1;
    int sectionEnd = -1;
    QString keyName;
    QString value;
};

Place findKey(const std::vector<Line> &lines, const QString &section, const QString &key) {
    Place place;
    bool inSection = false;
    for (int i = 0; i < int(lines.size()); ++i) {
        const Parsed parsed = parseLine(lines[i].text);
        if (parsed.kind == Parsed::Kind::Section) {
            // The first section of that name is the one read and written.
            if (inSection)
                break;
            inSection = place.section < 0 && sameName(parsed.name, section);
            if (inSection)
                place.section = place.sectionEnd = i;
            continue;
        }
        if (!inSection)
            continue;
        if (!win1251::decode(lines[i].text).trimmed().isEmpty())
            place.sectionEnd = i;
        if (parsed.kind == Parsed::Kind::Key && sameName(parsed.name, key)) {
            place.key = i;
            place.keyName = parsed.name;
            place.value = parsed.value;
            break;
        }
    }
    return place;
}

QByteArray readAll(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

QString SettingsFile::readString(const QString &section, const QString &key,
                                 const QString &defaultValue) const {
    const Place place = findKey(splitLines(readAll(m_path)), section, key);
    if (place.key < 0)
        return defaultValue;
    QString value = place.value;
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == u'\'') &&
        value.back() == value.front()) {
        value = value.mid(1, value.size() - 2);
    }
    return value;
}

int SettingsFile::readInteger(const QString &section, const QString &key, int defaultValue) const {
    const QString text = readString(section, key, QString());
    return parseSettingsInteger(text).value_or(defaultValue);
}

bool SettingsFile::writeInteger(const QString &section, const QString &key, int value) {
    return writeValue(section, key, QByteArray::number(value));
}

bool SettingsFile::writeString(const QString &section, const QString &key, const QString &value) {
    return writeValue(section, key, win1251::encode(value).value_or(value.toLatin1()));
}

bool SettingsFile::writeValue(const QString &section, const QString &key,
                              const QByteArray &valueText) {
    const QByteArray content = readAll(m_path);
    std::vector<Line> lines = splitLines(content);
    // New lines follow the file's own line breaks.
    const QByteArray lineBreak =
        !lines.empty() && lines.front().lineBreak == "\r\n" ? QByteArray("\r\n") : "\n";
    auto encoded = [](const QString &text) {
        return win1251::encode(text).value_or(text.toLatin1());
    };
    const Place place = findKey(lines, section, key);

    if (place.key >= 0) {
        lines[place.key].text = encoded(place.keyName) + '=' + valueText;
    } else {
        int at = place.section >= 0 ? place.sectionEnd + 1 : int(lines.size());
        std::vector<Line> added;
        if (place.section < 0) {
            if (!lines.empty() && !win1251::decode(lines.back().text).trimmed().isEmpty())
                added.push_back({{}, lineBreak});
            added.push_back({'[' + encoded(section) + ']', lineBreak});
        }
        added.push_back({encoded(key) + '=' + valueText, lineBreak});
        if (at > 0 && lines[at - 1].lineBreak.isEmpty())
            lines[at - 1].lineBreak = lineBreak;
        lines.insert(lines.begin() + at, added.begin(), added.end());
    }

    QByteArray result;
    result.reserve(content.size() + 64);
    for (const Line &line : lines)
        result += line.text + line.lineBreak;

    return replaceContent(result);
}

// The new text goes to a temporary file beside the settings file, which takes the settings
// file's place only once every byte is on the disk: a full disk or a failed write leaves the
// old file whole (QSaveFile would otherwise rename a file it could not write).
bool SettingsFile::replaceContent(const QByteArray &content) {
    QSaveFile file(m_path);
    // A file the user may write in a folder where the user may not make new files can only be
    // written in place.
    const QFileInfo info(m_path);
    file.setDirectWriteFallback(!QFileInfo(info.absolutePath()).isWritable() && info.isWritable());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(content) != content.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString SettingsFile::writeErrorText() const {
    return QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(m_path));
}

std::optional<int> parseSettingsInteger(QStringView text) {
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    int base = 10;
    if (text.startsWith(u'$')) {
        base = 16;
        text = text.mid(1);
    } else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        text = text.mid(2);
    }
    if (text.isEmpty())
        return std::nullopt;
    for (QChar c : text) {
        const bool digit = c.isDigit() && c.unicode() < 128;
        const bool hexLetter = (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (!digit && !(base == 16 && hexLetter))
            return std::nullopt;
    }
    bool ok = false;
    const qulonglong magnitude = text.toULongLong(&ok, base);
    if (!ok)
        return std::nullopt;
    if (base == 16) {
        if (magnitude > 0xFFFFFFFFull)
            return std::nullopt;
        const auto bits = quint32(magnitude);
        return int(negative ? quint32(0) - bits : bits);
    }
    const qlonglong signedValue = negative ? -qlonglong(magnitude) : qlonglong(magnitude);
    if (magnitude > 0x80000000ull || signedValue < INT_MIN || signedValue > INT_MAX)
        return std::nullopt;
    return int(signedValue);
}
