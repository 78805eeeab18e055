#pragma once

// What both the stand-alone start and an embedding host need: the plugins
// directory on the library path, Setup.xml beside the executable read, and
// the translator of the chosen language installed.
void PrepareShellEnvironment();
