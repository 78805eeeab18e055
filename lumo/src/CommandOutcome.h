#pragma once

#include "lumo/lumo_api.h"

#include <cstdint>

namespace lumo {

// How a modify or reset call ended: LUMO_ERROR_NONE, or the reason it failed
// (with the seconds left of a lockout), as LUMO_GetLastError reports it.
struct CommandOutcome
{
    unsigned int nReason = LUMO_ERROR_NONE;
    uint32_t nWaitSeconds = 0;

    bool succeeded() const { return nReason == LUMO_ERROR_NONE; }
    unsigned int errorValue() const { return nReason | (nWaitSeconds << 8); }
    static CommandOutcome failure(unsigned int nReason, uint32_t nWaitSeconds = 0) { return {nReason, nWaitSeconds}; }
};

} // namespace lumo
