#pragma once

// A scripted stand-in for the discovery library: it implements the six
// library functions (the old-library variant lacks LUMO_GetLastError), records how they were called and returns what a test
// chose. Tests link it directly to script it; the utility loads the same file
// at run time.
#include <lumo/lumo_api.h>

#if defined(_WIN32)
#  define LUMO_DOUBLE_API __declspec(dllexport)
#else
#  define LUMO_DOUBLE_API __attribute__((visibility("default")))
#endif

extern "C" {

enum LumoDoubleFunction {
    LumoDoubleStart = 0,
    LumoDoubleStop,
    LumoDoubleSendInquiry,
    LumoDoubleModify,
    LumoDoubleReset,
    LumoDoubleFunctionCount
};

// Forgets every call and sets every result back to 1.
LUMO_DOUBLE_API void LumoDouble_Reset(void);
LUMO_DOUBLE_API void LumoDouble_SetResult(int function, int result);
LUMO_DOUBLE_API int LumoDouble_CallCount(int function);
// What the last calls were given.
LUMO_DOUBLE_API LUMO_DEVICE_CALLBACK LumoDouble_Callback(void);
LUMO_DOUBLE_API int LumoDouble_StartFlags(void);
LUMO_DOUBLE_API void* LumoDouble_UserData(void);
LUMO_DOUBLE_API const LUMO_NET_PARAM_BLOCK* LumoDouble_LastBlock(void);
LUMO_DOUBLE_API const char* LumoDouble_LastText(int index); // 0 and 1: the two texts of the last modify or reset
// Every modify call since the last reset: the MAC and password texts and the block.
LUMO_DOUBLE_API const char* LumoDouble_ModifyMac(int call);
LUMO_DOUBLE_API const char* LumoDouble_ModifyPassword(int call);
LUMO_DOUBLE_API const LUMO_NET_PARAM_BLOCK* LumoDouble_ModifyBlock(int call);
// The result of one modify call (0-based) in place of the function's result.
LUMO_DOUBLE_API void LumoDouble_SetModifyResultAt(int call, int result);
// Runs on the caller's thread at the start of each modify call, outside the double's lock.
typedef void (*LumoDoubleModifyHook)(int call);
LUMO_DOUBLE_API void LumoDouble_SetModifyHook(LumoDoubleModifyHook hook);
// What LUMO_GetLastError returns after a failed modify or reset (0 after a reset of the double).
LUMO_DOUBLE_API void LumoDouble_SetLastError(unsigned int value);
// The LUMO_GetLastError value of one modify call (0-based), when it fails, in place of the one above.
LUMO_DOUBLE_API void LumoDouble_SetModifyLastErrorAt(int call, unsigned int value);
// Calls the registered callback as the library's thread would.
LUMO_DOUBLE_API void LumoDouble_Report(const LUMO_DEVICE_REPORT* report);

}
