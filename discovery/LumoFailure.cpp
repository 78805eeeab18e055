#include "LumoFailure.h"

#include <lumo/lumo_api.h>

LumoFailure LumoFailure::FromLastError(unsigned int value)
{
    LumoFailure failure;
    switch (LUMO_ERROR_REASON(value)) {
    case LUMO_ERROR_NO_ANSWER: failure.reason = Reason::NoAnswer; break;
    case LUMO_ERROR_AUTH_FAILED: failure.reason = Reason::AuthFailed; break;
    case LUMO_ERROR_LOCKED:
        failure.reason = Reason::Locked;
        failure.nSeconds = LUMO_ERROR_SECONDS(value);
        break;
    case LUMO_ERROR_VALUE_REFUSED: failure.reason = Reason::ValueRefused; break;
    case LUMO_ERROR_UNSUPPORTED: failure.reason = Reason::Unsupported; break;
    case LUMO_ERROR_BAD_ARGUMENT: failure.reason = Reason::BadArgument; break;
    case LUMO_ERROR_NOT_RUNNING: failure.reason = Reason::NotRunning; break;
    default: break; // LUMO_ERROR_NONE after a failure, or a reason newer than this code
    }
    return failure;
}
