#pragma once

#include <QByteArray>

// The windowing platform of a run. A Wayland client cannot place its own windows, so in a
// Wayland session the stored places of the windows, their first placement and the edge rule
// would all be lost: there the program runs on X11 through XWayland, unless the user has chosen
// a platform.
namespace sessionplatform {

// The value for QT_QPA_PLATFORM, or the empty value to leave it as it is. `chosen` is
// QT_QPA_PLATFORM, `sessionType` XDG_SESSION_TYPE and `waylandDisplay` WAYLAND_DISPLAY. X11 comes
// first and Wayland stays the fallback, for a session without XWayland.
QByteArray platformFor(const QByteArray &chosen, const QByteArray &sessionType,
                       const QByteArray &waylandDisplay);

// Sets QT_QPA_PLATFORM for this session before the application object is made. Returns whether
// it did, so that forgetChoice() can take it back once the platform is loaded.
bool chooseForSession();

// Removes the choice from the environment again, so that the programs this one starts (the word
// processor) choose their own platform.
void forgetChoice();

} // namespace sessionplatform
