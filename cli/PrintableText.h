#pragma once

class QString;

// The text with every control character (C0, DEL and C1) shown as "?". Texts
// from devices, site plans and the command line pass through it before they
// reach a terminal, so that escape sequences in them cannot drive it.
QString PrintableText(QString text);
