#pragma once

#include <QString>

// What the program says about itself: its name, its developer's contacts, the letter to the
// developer and the about text.
namespace program {

inline const QString kProductName = QStringLiteral("Вентрель");
inline const QString kDeveloperName = QStringLiteral("Илья Воронцов");
inline const QString kDeveloperGivenName = QStringLiteral("Илья");
inline const QString kDeveloperEmail = QStringLiteral("ventrel@example.org");
inline const QString kWebAddress = QStringLiteral("https://ventrel.example.org/");
// The name the desktop knows the program by: its desktop entry, its icon and its description
// for software centres.
inline const QString kApplicationId = QStringLiteral("org.example.Ventrel");

// "Обратитесь к разработчику <address>." and a line break: how every fatal message ends.
QString contactLine();

// The mailto address of the letter to the developer, the program's file version in its body.
QString letterAddress(const QString &fileVersion);

// The text of the about box, with the database folder and the data folder of this run.
QString aboutText(const QString &databaseFolder, const QString &dataFolder);

// True when the command line (the program first, as QCoreApplication::arguments() gives it)
// asks for view mode: its first argument is "/view" in any letter case.
bool isViewModeSwitch(const QStringList &arguments);

} // namespace program
