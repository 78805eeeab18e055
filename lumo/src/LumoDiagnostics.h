#pragma once

#include "lumo/lumo_api.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Datagrams dropped by the running library (truncated, oversized, malformed,
   unknown version or type, forged or unsolicited); 0 when not started. For tests
   and support, not part of the utility's interface. */
LUMO_API unsigned long long LUMO_CALL LUMO_DiagDroppedDatagrams(void);
/* Reports dropped because the callback fell behind by more devices than the
   library keeps reports waiting for; 0 when not started. */
LUMO_API unsigned long long LUMO_CALL LUMO_DiagDroppedReports(void);

#ifdef __cplusplus
}
#endif
