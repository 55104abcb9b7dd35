#pragma once

#include <QString>

// The folder for temporary files, ending with the platform's separator, e.g. "/tmp/". Never the
// empty text: when the system names no usable folder the result is "/tmp".
QString GetTempFolder();
