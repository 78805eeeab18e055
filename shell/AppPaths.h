#pragma once

#include "shell_global.h"

class QString;

// The directory of the running executable, with "/" appended.
SHELL_EXPORT QString GetAppDirPath();
// fileName unchanged when it is absolute, else resolved against GetAppDirPath().
SHELL_EXPORT QString GetAbsolutePath(const QString& fileName);
