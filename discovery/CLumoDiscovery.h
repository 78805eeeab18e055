#pragma once

#include "LumoFailure.h"

#include <lumo/lumo_api.h>

#include <QString>

// The utility's side of the discovery library. The library is loaded at run
// time and its five functions resolved by name; each operation returns true
// only when the library returned exactly 1. A failed modify or restore also
// gives its reason, read from the library on the same thread right after the
// call; a library without LUMO_GetLastError gives an unknown reason.
class CLumoDiscovery
{
public:
    CLumoDiscovery();

    // File name of the discovery library ("Lumo.dll", "liblumo.so", ...).
    static QString LibraryFileName();
    // Points every binding of the process at another library file (tests use
    // a scripted double); the next binding that loads picks it up.
    static void SetLibraryFileName(const QString& fileName);
    // The library whose loadability decides whether discovery can run at all.
    static QString DriverLibraryFileName();

    void Init(LUMO_DEVICE_CALLBACK callback, void* userData);
    void Reset();

    bool Start();
    bool Stop();
    bool SendInquiry();
    bool ModifyNetParam(const char* mac, const char* ipv4Address, const char* ipv4Mask,
                        const char* password, const char* port, const char* gateway,
                        const char* ipv6Address, const char* ipv6Gateway,
                        int ipv6PrefixLength, int option, LumoFailure* failure = nullptr);
    bool ResetDefaultPassword(const char* serial, const char* securityCode,
                              LumoFailure* failure = nullptr);

    // The block handed to the library for a modification.
    static void BuildNetParamBlock(LUMO_NET_PARAM_BLOCK& block, const char* ipv4Address,
                                   const char* ipv4Mask, const char* port, const char* gateway,
                                   const char* ipv6Address, const char* ipv6Gateway,
                                   int ipv6PrefixLength, int option);

    LUMO_DEVICE_CALLBACK Callback() const { return m_pCallback; }
    void* UserData() const { return m_pUserData; }

private:
    struct Api
    {
        LUMO_Start_V30_Fn start = nullptr;
        LUMO_Stop_Fn stop = nullptr;
        LUMO_SendInquiry_Fn sendInquiry = nullptr;
        LUMO_ModifyDeviceNetParam_Fn modify = nullptr;
        LUMO_ResetDefaultPasswd_Fn resetPassword = nullptr;
        LUMO_GetLastError_Fn lastError = nullptr; // optional: older libraries lack it
    };

    bool Bind();
    // Fills failure (when given) after a call that did not return 1.
    bool Outcome(int result, LumoFailure* failure) const;

    LUMO_DEVICE_CALLBACK m_pCallback = nullptr;
    void* m_pUserData = nullptr;
    Api m_api;
    bool m_bBindTried = false;
};
