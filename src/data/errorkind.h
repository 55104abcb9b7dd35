#pragma once

class DbError;

// Kinds of the engine's refusals that the windows answer in their own way, told from the error
// codes rather than from the engine's English text.
namespace errorkind {

// Another user is changing the same row now (a lock held past the wait, an update conflict): the
// user keeps what was typed and may save again later.
bool isConflict(const DbError &error);

// The connection to the server is gone (the server stopped, the network broke): the register
// must be reached again before anything more can be read or written.
bool isConnectionLost(const DbError &error);

} // namespace errorkind
