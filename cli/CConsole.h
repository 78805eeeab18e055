#pragma once

#include <QString>

class QByteArray;

// The terminal side of the command-line tool: whether the standard streams
// are terminals, a prompt that does not echo, and a progress line on standard
// error that is rewritten in place.
class CConsole
{
public:
    static bool IsInputTerminal();
    static bool IsErrorTerminal();

    // Shows the prompt on standard error and reads one line without echo when
    // standard input is a terminal, or reads one line of standard input
    // otherwise. The line end is not part of the result; false at end of input.
    static bool ReadSecretLine(const QString& prompt, QByteArray* line);

    static void Out(const QByteArray& text);
    static void Error(const QString& text);

    // A progress line on standard error, shown only on a terminal.
    void Progress(const QString& text);
    void EndProgress();

private:
    bool m_bProgressShown = false;
};
