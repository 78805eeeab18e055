#pragma once

#include "shell_global.h"

class QString;

// Looks through the plugin files of directory, in directory order, for one
// whose factory serves key and returns what its create(key) returns. A
// plugin file of the directory that is already loaded counts as served.
// Files that are no plugins, or serve other keys, are passed over.
SHELL_EXPORT bool LoadPlugin(const QString& key, const QString& directory);
