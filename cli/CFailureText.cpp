#include "CFailureText.h"

QString CFailureText::Reason(const LumoFailure& failure, bool bSecurityCode)
{
    using Reason = LumoFailure::Reason;
    switch (failure.reason) {
    case Reason::NoAnswer: return QStringLiteral("no answer");
    case Reason::AuthFailed: return bSecurityCode ? QStringLiteral("wrong security code") : QStringLiteral("wrong password");
    case Reason::Locked:
        return QStringLiteral("locked for %1 more seconds, try again later").arg(failure.nSeconds);
    case Reason::ValueRefused: return QStringLiteral("value refused");
    case Reason::Unsupported: return QStringLiteral("not supported by the device");
    case Reason::BadArgument: return QStringLiteral("invalid parameter");
    case Reason::NotRunning: return QStringLiteral("the discovery library is not running");
    case Reason::Unknown: break;
    }
    // An older discovery library does not say why.
    return bSecurityCode ? QStringLiteral("reason unknown (a wrong security code or no answer)")
                         : QStringLiteral("reason unknown (a wrong password, a refused value or no answer)");
}
