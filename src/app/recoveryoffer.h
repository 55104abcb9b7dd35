#pragma once

#include "data/unconfirmedwork.h"

#include <QString>

// The question the start asks about what the last run left unsaved: whose card or visit, and
// when it was begun.
namespace recoveryoffer {

QString question(const Draft &draft);

} // namespace recoveryoffer
