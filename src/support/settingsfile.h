#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The program's settings file "Ventrel.ini": INI text in Windows-1251, "[Section]" headers
// followed by "Key=Value" lines. Section and key names match without regard to letter case.
//
// Every read looks at the file as it is now, so a missing or unreadable file simply gives the
// defaults. Every write goes to the file at once and changes only the line of its key (adding
// the key, and its section, when missing); every other line is kept byte for byte, whatever
// the user wrote there.
class SettingsFile {
public:
    explicit SettingsFile(const QString &path) : m_path(path) {}

    const QString &path() const { return m_path; }

    // The value with surrounding blanks and one pair of enclosing quotes removed.
    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue) const;
    // The value as an integer (see parseSettingsInteger), or the default when it is missing or
    // does not read as one.
    int readInteger(const QString &section, const QString &key, int defaultValue) const;

    // Writes the value as a decimal integer. False when the file cannot be written; the file is
    // then left as it was and writeErrorText() tells the user why.
    bool writeInteger(const QString &section, const QString &key, int value);
    // Writes the text as it is (in Windows-1251; see writeInteger for failures).
    bool writeString(const QString &section, const QString &key, const QString &value);

    // "Unable to write to " and the file's name.
    QString writeErrorText() const;

private:
    bool writeValue(const QString &section, const QString &key, const QByteArray &valueText);
    bool replaceContent(const QByteArray &content);

    QString m_path;
};

// An integer as the settings file holds it: an optional sign, then decimal digits, or
// hexadecimal digits after "0x" or "$" (up to 32 bits, so "$FFFFFFFF" is -1). Blanks around it
// are allowed; anything else, or a decimal number beyond the 32-bit range, gives nothing.
std::optional<int> parseSettingsInteger(QStringView text);
