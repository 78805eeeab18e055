/*
 * lumo-dll-check DLL COUNT PASSWORD SERIAL NEW_ADDRESS CODE
 *
 * Drives Lumo.dll the way a Windows host program does, through LoadLibrary and
 * GetProcAddress: finds COUNT devices, each reported online exactly once,
 * re-addresses the device SERIAL to NEW_ADDRESS with PASSWORD, restores its
 * default password with the security code CODE, and proves the restore by
 * moving it back with the default password. Exit status 0 when all of it holds.
 * scripts/windows-check.sh runs it under Wine against lumo-devsim on the loopback.
 */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "lumo/lumo_api.h"

#define MAX_DEVICES 64
#define FIND_DEADLINE_MS 60000u
#define COMMAND_DEADLINE_MS 30000u
#define DEFAULT_PASSWORD "admin"

typedef struct Device {
    char mac[20];
    char serial[48];
    char ipv4Address[16];
    int onlineReports;
} Device;

typedef struct Fleet {
    CRITICAL_SECTION lock;
    HANDLE changed; /* auto-reset, set on every report */
    Device devices[MAX_DEVICES];
    int count;
    int malformedReports;
    int unknownEvents;
    int overflow;
} Fleet;

typedef struct Api {
    LUMO_Start_V30_Fn start;
    LUMO_Stop_Fn stop;
    LUMO_SendInquiry_Fn sendInquiry;
    LUMO_ModifyDeviceNetParam_Fn modify;
    LUMO_ResetDefaultPasswd_Fn reset;
    LUMO_GetLastError_Fn lastError;
} Api;

static Fleet g_fleet;

static int fail(const char* what)
{
    fprintf(stderr, "lumo-dll-check: FAILED: %s\n", what);
    return 1;
}

static int terminated(const char* text, size_t width)
{
    return memchr(text, '\0', width) != NULL;
}

static int wellFormed(const LUMO_DEVICE_REPORT* report)
{
    return terminated(report->serial, sizeof report->serial) && terminated(report->mac, sizeof report->mac)
        && terminated(report->ipv4Address, sizeof report->ipv4Address)
        && terminated(report->ipv4Mask, sizeof report->ipv4Mask)
        && terminated(report->ipv4Gateway, sizeof report->ipv4Gateway)
        && terminated(report->deviceTypeText, sizeof report->deviceTypeText)
        && terminated(report->ipv6Address, sizeof report->ipv6Address) && report->mac[0] != '\0';
}

static Device* deviceWithMac(const char* mac)
{
    for (int i = 0; i < g_fleet.count; ++i)
        if (strcmp(g_fleet.devices[i].mac, mac) == 0)
            return &g_fleet.devices[i];
    if (g_fleet.count == MAX_DEVICES) {
        g_fleet.overflow = 1;
        return NULL;
    }
    Device* device = &g_fleet.devices[g_fleet.count++];
    memset(device, 0, sizeof *device);
    strcpy(device->mac, mac);
    return device;
}

static void LUMO_CALL onReport(const LUMO_DEVICE_REPORT* report, void* user)
{
    Fleet* fleet = (Fleet*)user;
    EnterCriticalSection(&fleet->lock);
    if (report == NULL || !wellFormed(report)) {
        ++fleet->malformedReports;
    } else if (report->eventCode < LUMO_EVENT_ONLINE || report->eventCode > LUMO_EVENT_ONLINE_ALT) {
        ++fleet->unknownEvents;
    } else if (report->eventCode != LUMO_EVENT_OFFLINE) {
        Device* device = deviceWithMac(report->mac);
        if (device) {
            strcpy(device->serial, report->serial);
            strcpy(device->ipv4Address, report->ipv4Address);
            if (report->eventCode != LUMO_EVENT_UPDATE)
                ++device->onlineReports;
        }
    }
    LeaveCriticalSection(&fleet->lock);
    SetEvent(fleet->changed);
}

static FARPROC resolve(HMODULE library, const char* name)
{
    FARPROC function = GetProcAddress(library, name);
    if (function == NULL)
        fprintf(stderr, "lumo-dll-check: Lumo.dll does not export %s\n", name);
    return function;
}

/* FARPROC to a typed function pointer, through memcpy: the compilers warn on a direct cast. */
#define RESOLVE(library, name, target) \
    do { FARPROC found_ = resolve(library, name); memcpy(&(target), &found_, sizeof(target)); } while (0)

static int bindApi(HMODULE library, Api* api)
{
    RESOLVE(library, "LUMO_Start_V30", api->start);
    RESOLVE(library, "LUMO_Stop", api->stop);
    RESOLVE(library, "LUMO_SendInquiry", api->sendInquiry);
    RESOLVE(library, "LUMO_ModifyDeviceNetParam", api->modify);
    RESOLVE(library, "LUMO_ResetDefaultPasswd", api->reset);
    RESOLVE(library, "LUMO_GetLastError", api->lastError);
    if (!api->start || !api->stop || !api->sendInquiry || !api->modify || !api->reset || !api->lastError)
        return 0;
#if !defined(_WIN64)
    /* The decorated names must lead to the same functions. */
    static const char* const decorated[] = {"_LUMO_Start_V30@12", "_LUMO_Stop@0", "_LUMO_SendInquiry@0",
                                            "_LUMO_ModifyDeviceNetParam@12", "_LUMO_ResetDefaultPasswd@8",
                                            "_LUMO_GetLastError@0"};
    const FARPROC plain[] = {resolve(library, "LUMO_Start_V30"), resolve(library, "LUMO_Stop"),
                             resolve(library, "LUMO_SendInquiry"), resolve(library, "LUMO_ModifyDeviceNetParam"),
                             resolve(library, "LUMO_ResetDefaultPasswd"), resolve(library, "LUMO_GetLastError")};
    for (size_t i = 0; i < sizeof decorated / sizeof decorated[0]; ++i)
        if (resolve(library, decorated[i]) != plain[i])
            return 0;
#endif
    return 1;
}

/* Waits until test(argument) holds under the fleet lock, or the deadline passes. */
static int waitFor(int (*test)(const void*), const void* argument, DWORD deadlineMs)
{
    const ULONGLONG end = GetTickCount64() + deadlineMs;
    for (;;) {
        EnterCriticalSection(&g_fleet.lock);
        const int holds = test(argument);
        LeaveCriticalSection(&g_fleet.lock);
        if (holds)
            return 1;
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return 0;
        WaitForSingleObject(g_fleet.changed, (DWORD)(end - now));
    }
}

static int fleetComplete(const void* expected)
{
    return g_fleet.count >= *(const int*)expected;
}

typedef struct Addressed {
    const char* serial;
    const char* ipv4Address;
} Addressed;

static int deviceHasAddress(const void* argument)
{
    const Addressed* wanted = (const Addressed*)argument;
    for (int i = 0; i < g_fleet.count; ++i)
        if (strcmp(g_fleet.devices[i].serial, wanted->serial) == 0)
            return strcmp(g_fleet.devices[i].ipv4Address, wanted->ipv4Address) == 0;
    return 0;
}

static int findFleet(const Api* api, int expected)
{
    /* Inquiries are repeated until every device answered: UDP may lose one. */
    for (int round = 0; round < 6; ++round) {
        if (api->sendInquiry() != 1)
            return fail("LUMO_SendInquiry did not return 1");
        if (waitFor(fleetComplete, &expected, FIND_DEADLINE_MS / 6))
            break;
    }
    EnterCriticalSection(&g_fleet.lock);
    int found = g_fleet.count;
    int once = 1;
    for (int i = 0; i < g_fleet.count; ++i)
        once = once && g_fleet.devices[i].onlineReports == 1;
    const int malformed = g_fleet.malformedReports + g_fleet.unknownEvents + g_fleet.overflow;
    LeaveCriticalSection(&g_fleet.lock);
    printf("found %d of %d devices\n", found, expected);
    if (found != expected)
        return fail("not every simulated device was found, or more were");
    if (!once)
        return fail("a device was reported online more than once");
    if (malformed)
        return fail("a report had an unterminated text, no MAC or an unknown event code");
    return 0;
}

static int lookUp(const char* serial, Device* copy)
{
    int found = 0;
    EnterCriticalSection(&g_fleet.lock);
    for (int i = 0; i < g_fleet.count && !found; ++i)
        if (strcmp(g_fleet.devices[i].serial, serial) == 0) {
            *copy = g_fleet.devices[i];
            found = 1;
        }
    LeaveCriticalSection(&g_fleet.lock);
    return found;
}

static LUMO_NET_PARAM_BLOCK addressBlock(const char* ipv4Address)
{
    LUMO_NET_PARAM_BLOCK block;
    memset(&block, 0, sizeof block);
    strncpy(block.ipv4Address, ipv4Address, sizeof block.ipv4Address - 1);
    strcpy(block.ipv4Mask, "255.255.0.0");
    strcpy(block.ipv4Gateway, "10.20.0.1");
    block.port = 8000;
    return block;
}

static int readdress(const Api* api, const Device* device, const char* password, const char* ipv4Address)
{
    const LUMO_NET_PARAM_BLOCK block = addressBlock(ipv4Address);
    if (api->modify(device->mac, password, &block) != 1) {
        fprintf(stderr, "lumo-dll-check: error value %u\n", api->lastError());
        return fail("LUMO_ModifyDeviceNetParam refused a right password");
    }
    const Addressed wanted = {device->serial, ipv4Address};
    if (!waitFor(deviceHasAddress, &wanted, COMMAND_DEADLINE_MS))
        return fail("no report showed the device's new address");
    printf("re-addressed %s to %s\n", device->serial, ipv4Address);
    return 0;
}

static int checkRefused(const Api* api, int result, const char* what)
{
    if (result != 0 || LUMO_ERROR_REASON(api->lastError()) != LUMO_ERROR_AUTH_FAILED)
        return fail(what);
    return 0;
}

static int exercise(const Api* api, char** argv)
{
    const int expected = atoi(argv[2]);
    const char* password = argv[3];
    const char* serial = argv[4];
    const char* newAddress = argv[5];
    const char* code = argv[6];

    if (findFleet(api, expected) != 0)
        return 1;
    Device device;
    if (!lookUp(serial, &device))
        return fail("the device to re-address was not found");
    const LUMO_NET_PARAM_BLOCK block = addressBlock(newAddress);
    if (checkRefused(api, api->modify(device.mac, "not-the-password", &block),
                     "a wrong password was not refused as such"))
        return 1;
    if (readdress(api, &device, password, newAddress) != 0)
        return 1;
    char wrongCode[64];
    strncpy(wrongCode, code, sizeof wrongCode - 1);
    wrongCode[sizeof wrongCode - 1] = '\0';
    char* last = wrongCode + strlen(wrongCode) - 1;
    *last = *last == 'A' ? 'B' : 'A';
    if (checkRefused(api, api->reset(serial, wrongCode), "a wrong security code was not refused as such"))
        return 1;
    if (api->reset(serial, code) != 1)
        return fail("LUMO_ResetDefaultPasswd refused the issued security code");
    printf("restored the default password of %s\n", serial);
    if (readdress(api, &device, DEFAULT_PASSWORD, device.ipv4Address) != 0)
        return 1;
    EnterCriticalSection(&g_fleet.lock);
    const int count = g_fleet.count;
    LeaveCriticalSection(&g_fleet.lock);
    if (count != expected)
        return fail("a re-addressed device was reported as a new one");
    return 0;
}

int main(int argc, char** argv)
{
    if (argc != 7 || atoi(argv[2]) < 1 || atoi(argv[2]) > MAX_DEVICES || argv[6][0] == '\0') {
        fprintf(stderr, "usage: lumo-dll-check DLL COUNT PASSWORD SERIAL NEW_ADDRESS CODE\n");
        return 2;
    }
    setvbuf(stdout, NULL, _IONBF, 0);
    HMODULE library = LoadLibraryA(argv[1]);
    if (library == NULL) {
        fprintf(stderr, "lumo-dll-check: cannot load %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    Api api;
    memset(&api, 0, sizeof api);
    if (!bindApi(library, &api))
        return fail("Lumo.dll lacks a function or a decorated name");

    InitializeCriticalSection(&g_fleet.lock);
    g_fleet.changed = CreateEventA(NULL, FALSE, FALSE, NULL);
    if (api.start(onReport, 0, &g_fleet) != 1)
        return fail("LUMO_Start_V30 did not return 1");
    if (api.start(onReport, 0, &g_fleet) != 0)
        return fail("a second LUMO_Start_V30 was not refused");
    const int result = exercise(&api, argv);
    if (api.stop() != 1)
        return fail("LUMO_Stop did not return 1");
    if (api.sendInquiry() != 0 || LUMO_ERROR_REASON(api.lastError()) != LUMO_ERROR_NOT_RUNNING)
        return fail("LUMO_SendInquiry after LUMO_Stop was not refused as not running");
    FreeLibrary(library);
    CloseHandle(g_fleet.changed);
    DeleteCriticalSection(&g_fleet.lock);
    if (result == 0)
        printf("lumo-dll-check: passed\n");
    return result;
}
