#pragma once

#include "admin/adminrequest.h"

class QTextStream;

// Runs what the administrator asked: results to `out`, failures to `err`. Returns the exit
// status: 0 done, 1 failed, 2 a mistake in the arguments.
namespace admincommands {

enum ExitStatus { Success = 0, Failed = 1, UsageError = 2 };

int run(const adminrequest::Request &request, QTextStream &out, QTextStream &err);

} // namespace admincommands
