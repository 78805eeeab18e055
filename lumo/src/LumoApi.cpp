// The six exported functions. A process has at most one running Discovery; the
// functions serialise on one mutex but never hold it while waiting on the network.
// Each thread keeps the reason of its own last failed call.
#include "Discovery.h"
#include "LumoDiagnostics.h"
#include "lumo/lumo_api.h"

#include <memory>
#include <mutex>

namespace {

std::mutex g_mutex;
std::shared_ptr<lumo::Discovery> g_pDiscovery;
thread_local unsigned int t_nLastError = LUMO_ERROR_NONE;

int finished(const lumo::CommandOutcome& outcome)
{
    if (outcome.succeeded())
        return 1;
    t_nLastError = outcome.errorValue();
    return 0;
}

int failed(unsigned int nReason)
{
    t_nLastError = nReason;
    return 0;
}

std::shared_ptr<lumo::Discovery> runningDiscovery()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_pDiscovery;
}

} // namespace

extern "C" {

LUMO_API int LUMO_CALL LUMO_Start_V30(LUMO_DEVICE_CALLBACK callback, int flags, void* user)
{
    (void)flags;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (callback == nullptr)
        return failed(LUMO_ERROR_BAD_ARGUMENT);
    if (g_pDiscovery)
        return 0;
    auto pDiscovery = std::make_shared<lumo::Discovery>(callback, user, lumo::LibrarySettings::fromEnvironment());
    if (!pDiscovery->start())
        return 0;
    g_pDiscovery = std::move(pDiscovery);
    return 1;
}

LUMO_API int LUMO_CALL LUMO_Stop(void)
{
    std::shared_ptr<lumo::Discovery> pDiscovery;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        // Stopping from inside the callback would wait for itself.
        if (!g_pDiscovery || g_pDiscovery->isCallbackThread())
            return 0;
        pDiscovery = std::move(g_pDiscovery);
    }
    pDiscovery->stop();
    return 1;
}

LUMO_API int LUMO_CALL LUMO_SendInquiry(void)
{
    const auto pDiscovery = runningDiscovery();
    if (!pDiscovery)
        return failed(LUMO_ERROR_NOT_RUNNING);
    pDiscovery->sendInquiry();
    return 1;
}

LUMO_API int LUMO_CALL LUMO_ModifyDeviceNetParam(const char* mac, const char* password, const LUMO_NET_PARAM_BLOCK* block)
{
    const auto pDiscovery = runningDiscovery();
    if (!pDiscovery || pDiscovery->isCallbackThread())
        return failed(LUMO_ERROR_NOT_RUNNING);
    if (block == nullptr)
        return failed(LUMO_ERROR_BAD_ARGUMENT);
    return finished(pDiscovery->modifyNetParams(mac, password, *block));
}

LUMO_API int LUMO_CALL LUMO_ResetDefaultPasswd(const char* serial, const char* securityCode)
{
    const auto pDiscovery = runningDiscovery();
    if (!pDiscovery || pDiscovery->isCallbackThread())
        return failed(LUMO_ERROR_NOT_RUNNING);
    return finished(pDiscovery->resetPassword(serial, securityCode));
}

LUMO_API unsigned int LUMO_CALL LUMO_GetLastError(void)
{
    return t_nLastError;
}

LUMO_API unsigned long long LUMO_CALL LUMO_DiagDroppedDatagrams(void)
{
    const auto pDiscovery = runningDiscovery();
    return pDiscovery ? pDiscovery->drops().total() : 0;
}

LUMO_API unsigned long long LUMO_CALL LUMO_DiagDroppedReports(void)
{
    const auto pDiscovery = runningDiscovery();
    return pDiscovery ? pDiscovery->droppedReports() : 0;
}

} // extern "C"
