#pragma once

#include "LumoFailure.h"

#include <QString>

// What taldor-ip prints when a device did not take a change or a password
// restore: why, as the discovery library reported it.
class CFailureText
{
public:
    // "wrong password", "locked for 60 more seconds, try again later", ...; for
    // a restore the authorisation is the security code.
    static QString Reason(const LumoFailure& failure, bool bSecurityCode = false);
};
