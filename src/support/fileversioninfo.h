#pragma once

#include <QByteArrayView>
#include <QString>

// The version texts and flags of an executable file, as its version resource gives them. A value
// the file does not have is the empty text or false.
struct TFileVersionInfo {
    QString FileType; // the kind of file as the desktop names it, at most 80 characters
    QString CompanyName;
    QString FileDescription;
    QString FileVersion;
    QString InternalName;
    QString LegalCopyright;
    QString LegalTrademarks;
    QString OrigFilename;
    QString ProductName;
    QString ProductVersion;
    QString Comments;
    QString SpecialBuildText;
    QString PrivateBuildText;
    QString FileFunction; // "Application", "DLL", "Printer Driver", ...
    bool Debug = false;
    bool PreRelease = false;
    bool SpecialBuild = false;
    bool PrivateBuild = false;
    bool Patched = false;
    bool InfoInferred = false;

    bool operator==(const TFileVersionInfo &) const = default;
};

// Reads the version resource of a Windows executable or library (PE format) on any platform:
// the twelve texts of the first translation listed under \VarFileInfo\Translation, and the flags
// and the file function of the fixed part. For any other file only FileType is filled. Missing,
// unreadable, truncated or malformed files give empty values; nothing is reported.
TFileVersionInfo ReadFileVersionInfo(const QString &path);

// The version fields (everything but FileType) from the bytes of a whole PE file.
TFileVersionInfo versionInfoFromImage(QByteArrayView image);

// The running program's own record, filled on first use. Its FileVersion is the version of this
// build, whatever the executable's format.
const TFileVersionInfo &OwnVersionInfo();

// OwnVersionInfo().FileVersion, e.g. "2.0.0.42".
QString ProgramFileVersion();
