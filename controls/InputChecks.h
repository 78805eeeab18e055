#pragma once

#include "controls_global.h"

class QString;

// Checks of texts typed by the user. Each takes the text as typed and only
// answers; the caller decides what to tell the user.

CONTROLS_EXPORT bool IsValidIPv4(const QString& text);
CONTROLS_EXPORT bool IsValidGateway(const QString& text);
CONTROLS_EXPORT bool IsValidSubnetMask(const QString& text);
CONTROLS_EXPORT bool IsValidIPv6(const QString& text);
CONTROLS_EXPORT bool CheckIPByRegExp(const QString& text);
CONTROLS_EXPORT bool IsMulticastIP(const QString& text);
CONTROLS_EXPORT bool IsValidMAC(const QString& text);
CONTROLS_EXPORT bool IsValidFileName(const QString& text);

// False only for the day numbers a month never has (30 and 31 February,
// 31 April, June, September and November); 29 February is always accepted.
CONTROLS_EXPORT bool IsValidDayOfMonth(int month, int day);
