#pragma once

#include <QString>

class QByteArray;

// The terminal side of the command-line tool: whether the standard streams
// are terminals, a prompt that does not echo, messages, and a progress line on
// standard error that is rewritten in place. Messages quote device texts,
// plan cells and arguments: their control characters are shown as "?" (see
// PrintableText), line by line, so that only the messages' own line breaks
// reach the terminal.
class CConsole
{
public:
    static bool IsInputTerminal();
    static bool IsErrorTerminal();

    // Shows the prompt on standard error and reads one line without echo when
    // standard input is a terminal, or reads one line of standard input
    // otherwise. The line end is not part of the result; false at end of input.
    static bool ReadSecretLine(const QString& prompt, QByteArray* line);

    // Data on standard output (lists, help), written as it is.
    static void Out(const QByteArray& text);
    // A message on standard output, in UTF-8.
    static void Print(const QString& text);
    // A message on standard error.
    static void Error(const QString& text);

    // A progress line on standard error, shown only on a terminal.
    void Progress(const QString& text);
    void EndProgress();

private:
    static void WriteError(const QString& text);

    bool m_bProgressShown = false;
};
