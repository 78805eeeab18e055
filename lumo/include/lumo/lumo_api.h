/*
 * Public C interface of the Lumo discovery library.
 *
 * Six functions and two fixed-layout records. Texts are NUL-terminated 8-bit
 * arrays of fixed width, integers are little-endian, and neither record has
 * gaps beyond what its offsets show. Every function but LUMO_GetLastError
 * returns 1 on success.
 */
#pragma once

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#  define LUMO_CALL __stdcall
#else
#  define LUMO_CALL
#endif

/* The 32-bit Lumo.dll exports every function twice: under its plain name
 * (LUMO_Start_V30), which GetProcAddress callers use, and under the standard-call
 * decorated name a compiler gives a declaration below (_LUMO_Start_V30@12). Its
 * module-definition file lists both, so the library itself declares no export. */
#if defined(_WIN32)
#  if defined(LUMO_EXPORTS_FROM_DEF_FILE)
#    define LUMO_API
#  elif defined(LUMO_BUILDING_LIBRARY)
#    define LUMO_API __declspec(dllexport)
#  else
#    define LUMO_API __declspec(dllimport)
#  endif
#else
#  define LUMO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Event codes carried at offset 272 of a report. */
enum {
    LUMO_EVENT_ONLINE = 1,
    LUMO_EVENT_UPDATE = 2,
    LUMO_EVENT_OFFLINE = 3,
    LUMO_EVENT_ONLINE_ALT = 4
};

/* Capability bits at offset 433 of a report. */
enum {
    LUMO_CAP_IPV6 = 0x01,
    LUMO_CAP_IPV6_MODIFIABLE = 0x02,
    LUMO_CAP_DHCP = 0x04
};

/* Reasons of a failed call, in the low 8 bits of LUMO_GetLastError's value. */
enum {
    LUMO_ERROR_NONE = 0,
    LUMO_ERROR_NO_ANSWER = 1,      /* the device did not answer before the deadline */
    LUMO_ERROR_AUTH_FAILED = 2,    /* wrong password or security code */
    LUMO_ERROR_LOCKED = 3,         /* too many failed tries; seconds left in the upper bits */
    LUMO_ERROR_VALUE_REFUSED = 4,  /* a parameter the library or the device does not accept */
    LUMO_ERROR_UNSUPPORTED = 5,    /* the device cannot change what was asked (IPv6) */
    LUMO_ERROR_BAD_ARGUMENT = 6,   /* a missing pointer, a malformed MAC, an over-long text */
    LUMO_ERROR_NOT_RUNNING = 7     /* no LUMO_Start_V30 before, or called from the callback */
};
#define LUMO_ERROR_REASON(value) ((value) & 0xFFu)
#define LUMO_ERROR_SECONDS(value) ((value) >> 8)

/* One device event, handed to the callback; valid only during the call. */
typedef struct LUMO_DEVICE_REPORT {
    char     leading[12];        /*   0 */
    char     serial[48];         /*  12 */
    char     mac[20];            /*  60 */
    char     ipv4Address[16];    /*  80 */
    char     ipv4Mask[16];       /*  96 */
    uint32_t deviceClass;        /* 112 */
    uint32_t port;               /* 116 */
    uint32_t channelCount;       /* 120 */
    uint32_t reserved1;          /* 124 */
    char     softwareVersion[48];/* 128 */
    char     dspVersion[48];     /* 176 */
    char     startTime[48];      /* 224 */
    uint32_t eventCode;          /* 272 */
    char     deviceTypeText[24]; /* 276 */
    char     reserved2[24];      /* 300 */
    char     ipv4Gateway[16];    /* 324 */
    char     ipv6Address[46];    /* 340 */
    char     ipv6Gateway[46];    /* 386 */
    uint8_t  ipv6PrefixLength;   /* 432 */
    uint8_t  capabilities;       /* 433 */
    uint8_t  ipv4Dhcp;           /* 434 */
    uint8_t  extendedValid;      /* 435 */
} LUMO_DEVICE_REPORT;

/* New network parameters for LUMO_ModifyDeviceNetParam. */
typedef struct LUMO_NET_PARAM_BLOCK {
    char     ipv4Address[16];    /*   0 */
    char     ipv4Mask[16];       /*  16 */
    char     ipv4Gateway[16];    /*  32 */
    char     ipv6Address[128];   /*  48 */
    char     ipv6Gateway[128];   /* 176 */
    uint16_t port;               /* 304 */
    uint8_t  ipv6PrefixLength;   /* 306 */
    uint8_t  optionByte;         /* 307 */
    char     reserved[128];      /* 308 */
} LUMO_NET_PARAM_BLOCK;

typedef void (LUMO_CALL *LUMO_DEVICE_CALLBACK)(const LUMO_DEVICE_REPORT* report, void* user);

/* Starts the library; reports flow to callback, on a thread of the library's own
 * and one at a time, until LUMO_Stop. */
LUMO_API int LUMO_CALL LUMO_Start_V30(LUMO_DEVICE_CALLBACK callback, int flags, void* user);
/* Stops; when it returns, no callback runs any more. */
LUMO_API int LUMO_CALL LUMO_Stop(void);
/* Asks every device on the segment to answer. */
LUMO_API int LUMO_CALL LUMO_SendInquiry(void);
/* Applies new network parameters to the device with this MAC, authorised by its password. */
LUMO_API int LUMO_CALL LUMO_ModifyDeviceNetParam(const char* mac, const char* password,
                                                 const LUMO_NET_PARAM_BLOCK* block);
/* Restores the default password of the device with this serial number. */
LUMO_API int LUMO_CALL LUMO_ResetDefaultPasswd(const char* serial, const char* securityCode);
/* The reason of the calling thread's last failed call, with LUMO_ERROR_LOCKED the
 * seconds the device still refuses this computer: LUMO_ERROR_REASON(value) and
 * LUMO_ERROR_SECONDS(value). A successful call leaves it as it was. */
LUMO_API unsigned int LUMO_CALL LUMO_GetLastError(void);

/* Function types, for binding at run time. */
typedef int (LUMO_CALL *LUMO_Start_V30_Fn)(LUMO_DEVICE_CALLBACK, int, void*);
typedef int (LUMO_CALL *LUMO_Stop_Fn)(void);
typedef int (LUMO_CALL *LUMO_SendInquiry_Fn)(void);
typedef int (LUMO_CALL *LUMO_ModifyDeviceNetParam_Fn)(const char*, const char*, const LUMO_NET_PARAM_BLOCK*);
typedef int (LUMO_CALL *LUMO_ResetDefaultPasswd_Fn)(const char*, const char*);
typedef unsigned int (LUMO_CALL *LUMO_GetLastError_Fn)(void);

#ifdef __cplusplus
} /* extern "C" */

#include <cstddef>
static_assert(sizeof(LUMO_DEVICE_REPORT) == 436, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, serial) == 12, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, mac) == 60, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, ipv4Address) == 80, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, ipv4Mask) == 96, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, deviceClass) == 112, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, port) == 116, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, channelCount) == 120, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, reserved1) == 124, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, softwareVersion) == 128, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, dspVersion) == 176, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, startTime) == 224, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, eventCode) == 272, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, deviceTypeText) == 276, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, reserved2) == 300, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, ipv4Gateway) == 324, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, ipv6Address) == 340, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, ipv6Gateway) == 386, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, ipv6PrefixLength) == 432, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, capabilities) == 433, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, ipv4Dhcp) == 434, "report layout");
static_assert(offsetof(LUMO_DEVICE_REPORT, extendedValid) == 435, "report layout");

static_assert(sizeof(LUMO_NET_PARAM_BLOCK) == 436, "block layout");
static_assert(offsetof(LUMO_NET_PARAM_BLOCK, ipv4Mask) == 16, "block layout");
static_assert(offsetof(LUMO_NET_PARAM_BLOCK, ipv4Gateway) == 32, "block layout");
static_assert(offsetof(LUMO_NET_PARAM_BLOCK, ipv6Address) == 48, "block layout");
static_assert(offsetof(LUMO_NET_PARAM_BLOCK, ipv6Gateway) == 176, "block layout");
static_assert(offsetof(LUMO_NET_PARAM_BLOCK, port) == 304, "block layout");
static_assert(offsetof(LUMO_NET_PARAM_BLOCK, ipv6PrefixLength) == 306, "block layout");
static_assert(offsetof(LUMO_NET_PARAM_BLOCK, optionByte) == 307, "block layout");
static_assert(offsetof(LUMO_NET_PARAM_BLOCK, reserved) == 308, "block layout");
#endif
