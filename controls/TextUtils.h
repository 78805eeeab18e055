#pragma once

#include "controls_global.h"

#include <QtGlobal>
#include <string>

class QByteArray;
class QString;

// Conversions between Qt strings and the locale's 8-bit encoding. The
// trailing flag is accepted for older callers and has no effect.
CONTROLS_EXPORT QString LocalToUnicode(const char* text, bool bUnused = false);
CONTROLS_EXPORT QByteArray UnicodeToLocal(const QString& text, bool bUnused = false);
CONTROLS_EXPORT std::string UnicodeToStdString(const QString& text, bool bUnused = false);

// True when a byte in the lead range 0x81..0xFE of the GB double-byte
// encodings is followed by a byte in the trail range 0x40..0xFE.
CONTROLS_EXPORT bool ContainsDoubleByteChar(const char* text);

// "1023", "1 KB", "1.0 MB", "1.00 GB", "1.000 TB" in the default locale.
CONTROLS_EXPORT QString FormatFileSize(quint64 bytes);

// The name of a common Qt event type, or the number itself as text.
CONTROLS_EXPORT QString EventTypeName(int type);

// Wraps a text in double quotes.
CONTROLS_EXPORT QString QuoteText(const QString& text);

// The text as a tool tip shows it unchanged. Qt takes a tip that looks like
// HTML for rich text and would load any image it names; such a text is
// escaped, its spaces and line breaks kept; any other text is returned as it is.
CONTROLS_EXPORT QString PlainToolTip(const QString& text);
