#pragma once

#include <QtGlobal>

class QString;

// Dotted IPv4 texts as numbers: four decimal parts of 0 to 255 (leading zeros
// allowed, as the address checks allow them).
bool ParseIpv4(const QString& text, quint32* value);
QString FormatIpv4(quint32 value);
// The text in plain dotted decimal, or the text unchanged when it is no address.
QString NormalisedIpv4(const QString& text);
