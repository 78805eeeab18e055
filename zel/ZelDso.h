#pragma once

#include "zel_global.h"

typedef void* ZEL_DSO_HANDLE;

// Loads a shared library by name (a bare name is searched beside the
// executable first, then on the system's library path). Returns null when it
// cannot be loaded.
ZEL_EXPORT ZEL_DSO_HANDLE ZEL_LoadDSo(const char* name);
// The address of an exported symbol, or null.
ZEL_EXPORT void* ZEL_GetSymbol(ZEL_DSO_HANDLE handle, const char* symbol);
// Forgets the handle; the library itself stays loaded for the process.
ZEL_EXPORT void ZEL_FreeDSo(ZEL_DSO_HANDLE handle);
