#include "LumoDouble.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct State
{
    int results[LumoDoubleFunctionCount];
    int calls[LumoDoubleFunctionCount];
    LUMO_DEVICE_CALLBACK callback = nullptr;
    int flags = -1;
    void* user = nullptr;
    LUMO_NET_PARAM_BLOCK block;
    std::string texts[2];
    struct ModifyCall
    {
        std::string mac;
        std::string password;
        LUMO_NET_PARAM_BLOCK block;
    };
    std::vector<ModifyCall> modifyCalls;
    std::map<int, int> modifyResults;
    LumoDoubleModifyHook modifyHook = nullptr;
    unsigned int lastErrorScript = 0;
    std::map<int, unsigned int> modifyLastErrors;

    State() { reset(); }
    void reset()
    {
        for (int i = 0; i < LumoDoubleFunctionCount; ++i) {
            results[i] = 1;
            calls[i] = 0;
        }
        callback = nullptr;
        flags = -1;
        user = nullptr;
        std::memset(&block, 0, sizeof block);
        texts[0].clear();
        texts[1].clear();
        modifyCalls.clear();
        modifyResults.clear();
        modifyHook = nullptr;
        lastErrorScript = 0;
        modifyLastErrors.clear();
    }
};

std::mutex g_mutex;
State g_state;
// As the library's, the reason belongs to the thread that made the call.
thread_local unsigned int t_lastError = 0;

// A failed call leaves its reason; a successful one leaves the last as it was.
int WithReason(int result, unsigned int reason)
{
    if (result != 1)
        t_lastError = reason;
    return result;
}

int Record(int function)
{
    ++g_state.calls[function];
    return g_state.results[function];
}

void RememberTexts(const char* first, const char* second)
{
    g_state.texts[0] = first ? first : "<null>";
    g_state.texts[1] = second ? second : "<null>";
}

} // namespace

extern "C" {

void LumoDouble_Reset(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_state.reset();
}

void LumoDouble_SetResult(int function, int result)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_state.results[function] = result;
}

int LumoDouble_CallCount(int function)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_state.calls[function];
}

LUMO_DEVICE_CALLBACK LumoDouble_Callback(void) { return g_state.callback; }
int LumoDouble_StartFlags(void) { return g_state.flags; }
void* LumoDouble_UserData(void) { return g_state.user; }
const LUMO_NET_PARAM_BLOCK* LumoDouble_LastBlock(void) { return &g_state.block; }
const char* LumoDouble_LastText(int index) { return g_state.texts[index & 1].c_str(); }

void LumoDouble_Report(const LUMO_DEVICE_REPORT* report)
{
    LUMO_DEVICE_CALLBACK callback;
    void* user;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        callback = g_state.callback;
        user = g_state.user;
    }
    if (callback)
        callback(report, user);
}

LUMO_API int LUMO_CALL LUMO_Start_V30(LUMO_DEVICE_CALLBACK callback, int flags, void* user)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_state.callback = callback;
    g_state.flags = flags;
    g_state.user = user;
    return Record(LumoDoubleStart);
}

LUMO_API int LUMO_CALL LUMO_Stop(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_state.callback = nullptr;
    return Record(LumoDoubleStop);
}

LUMO_API int LUMO_CALL LUMO_SendInquiry(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return Record(LumoDoubleSendInquiry);
}

const char* LumoDouble_ModifyMac(int call)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_state.modifyCalls.at(std::size_t(call)).mac.c_str();
}

const char* LumoDouble_ModifyPassword(int call)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_state.modifyCalls.at(std::size_t(call)).password.c_str();
}

const LUMO_NET_PARAM_BLOCK* LumoDouble_ModifyBlock(int call)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return &g_state.modifyCalls.at(std::size_t(call)).block;
}

void LumoDouble_SetModifyResultAt(int call, int result)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_state.modifyResults[call] = result;
}

void LumoDouble_SetLastError(unsigned int value)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_state.lastErrorScript = value;
}

void LumoDouble_SetModifyLastErrorAt(int call, unsigned int value)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_state.modifyLastErrors[call] = value;
}

void LumoDouble_SetModifyHook(LumoDoubleModifyHook hook)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_state.modifyHook = hook;
}

LUMO_API int LUMO_CALL LUMO_ModifyDeviceNetParam(const char* mac, const char* password, const LUMO_NET_PARAM_BLOCK* block)
{
    LumoDoubleModifyHook hook;
    int call;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        hook = g_state.modifyHook;
        call = g_state.calls[LumoDoubleModify];
    }
    if (hook)
        hook(call);
    std::lock_guard<std::mutex> lock(g_mutex);
    RememberTexts(mac, password);
    State::ModifyCall record{ mac ? mac : "<null>", password ? password : "<null>", {} };
    std::memset(&record.block, 0, sizeof record.block);
    if (block) {
        g_state.block = *block;
        record.block = *block;
    }
    g_state.modifyCalls.push_back(record);
    const int result = Record(LumoDoubleModify);
    const auto scripted = g_state.modifyResults.find(call);
    const auto reason = g_state.modifyLastErrors.find(call);
    return WithReason(scripted == g_state.modifyResults.end() ? result : scripted->second,
                      reason == g_state.modifyLastErrors.end() ? g_state.lastErrorScript : reason->second);
}

#ifndef LUMO_DOUBLE_WITHOUT_RESET
LUMO_API int LUMO_CALL LUMO_ResetDefaultPasswd(const char* serial, const char* securityCode)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    RememberTexts(serial, securityCode);
    return WithReason(Record(LumoDoubleReset), g_state.lastErrorScript);
}
#endif

#ifndef LUMO_DOUBLE_WITHOUT_LAST_ERROR
LUMO_API unsigned int LUMO_CALL LUMO_GetLastError(void)
{
    return t_lastError;
}
#endif

}
