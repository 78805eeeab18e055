#pragma once

// Why the discovery library refused a modify or a password restore, as its
// LUMO_GetLastError told the calling thread right after the failed call.
struct LumoFailure
{
    enum class Reason {
        Unknown,        // a library without LUMO_GetLastError, or a value it does not define
        NoAnswer,
        AuthFailed,     // wrong password, or wrong security code for a restore
        Locked,         // too many failed tries: nSeconds left
        ValueRefused,
        Unsupported,
        BadArgument,
        NotRunning
    };

    Reason reason = Reason::Unknown;
    unsigned int nSeconds = 0;

    // Decodes a LUMO_GetLastError value.
    static LumoFailure FromLastError(unsigned int value);

    bool operator==(const LumoFailure& other) const
    {
        return reason == other.reason && nSeconds == other.nSeconds;
    }
    bool operator!=(const LumoFailure& other) const { return !(*this == other); }
};
