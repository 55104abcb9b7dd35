#pragma once

#include "app/startup.h"

#include <QString>

#include <functional>

// The start when the register this user worked with is gone (renamed, moved or deleted, by
// anyone who may write into its folder): the program says so and the user decides. A new empty
// register is never made in its place without a word, so that new work never goes into one
// while the practice's patients lie elsewhere.
namespace missingregister {

// The question: which register is gone, the newest daily backup (`newestBackup`, a full path;
// empty when there is none, then `backupsFolder` is named) and what each button does.
QString question(const QString &registerFile, const QString &newestBackup,
                 const QString &backupsFolder);

// Which backup to restore, given the one to suggest (the newest, or the backups folder); the
// empty text when the user cancels. The default is the file dialog.
using ChooseBackup = std::function<QString(const QString &suggested)>;

// Asks, through MessageBox, with the buttons "Восстановить из копии..." (Yes), "Создать новую
// пустую" (No) and "Выход" (Cancel), until the user has restored the register from a backup
// under its name in the database folder the start settled on (the newest backup offered first,
// any other one may be chosen; the engine's lines shown meanwhile), made a new empty one there
// from the template, or chosen to leave. A failure is told and the question asked again. False
// when the user leaves.
bool resolve(const StartupResult &start, const ChooseBackup &chooseBackup = {});

} // namespace missingregister
