#include "CConsole.h"

#include "PrintableText.h"

#include <QByteArray>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <iterator>
#include <iostream>
#include <string>

#if defined(Q_OS_WIN)
#  include <io.h>
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#else
#  include <termios.h>
#  include <unistd.h>
#endif

namespace {

bool IsTerminal(std::FILE* stream)
{
#if defined(Q_OS_WIN)
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

// Turns the terminal's echo off for its lifetime. An interrupt while the
// prompt waits (Ctrl+C) puts the echo back before the process ends, so the
// shell is not left typing blind.
class EchoOff
{
public:
    EchoOff()
    {
#if defined(Q_OS_WIN)
        s_input = GetStdHandle(STD_INPUT_HANDLE);
        m_bActive = GetConsoleMode(s_input, &s_mode) != 0;
        if (m_bActive) {
            SetConsoleCtrlHandler(&EchoOff::RestoreOnInterrupt, TRUE);
            m_bActive = SetConsoleMode(s_input, s_mode & ~DWORD(ENABLE_ECHO_INPUT)) != 0;
        }
#else
        m_bActive = tcgetattr(STDIN_FILENO, &s_saved) == 0;
        if (m_bActive) {
            for (int signal : kInterrupts)
                m_previous[Slot(signal)] = std::signal(signal, &EchoOff::RestoreOnInterrupt);
            termios quiet = s_saved;
            quiet.c_lflag &= ~tcflag_t(ECHO);
            m_bActive = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
#endif
    }
    ~EchoOff()
    {
#if defined(Q_OS_WIN)
        if (s_input) {
            SetConsoleMode(s_input, s_mode);
            SetConsoleCtrlHandler(&EchoOff::RestoreOnInterrupt, FALSE);
        }
#else
        if (m_bActive)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &s_saved);
        for (int signal : kInterrupts) {
            if (m_previous[Slot(signal)] != SIG_ERR)
                std::signal(signal, m_previous[Slot(signal)]);
        }
#endif
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
#if defined(Q_OS_WIN)
    static BOOL WINAPI RestoreOnInterrupt(DWORD)
    {
        SetConsoleMode(s_input, s_mode);
        return FALSE; // the default handler ends the process
    }

    static inline HANDLE s_input = nullptr;
    static inline DWORD s_mode = 0;
#else
    static constexpr int kInterrupts[] = { SIGINT, SIGTERM, SIGQUIT, SIGHUP };

    static int Slot(int signal)
    {
        for (int i = 0; i < int(std::size(kInterrupts)); ++i) {
            if (kInterrupts[i] == signal)
                return i;
        }
        return 0;
    }

    static void RestoreOnInterrupt(int signal)
    {
        tcsetattr(STDIN_FILENO, TCSANOW, &s_saved);
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }

    static inline termios s_saved {};
    void (*m_previous[std::size(kInterrupts)])(int) = { SIG_ERR, SIG_ERR, SIG_ERR, SIG_ERR };
#endif
    bool m_bActive = false;
};

QString PrintableLines(const QString& text)
{
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        line = PrintableText(line);
    return lines.join(u'\n');
}

void Write(std::FILE* stream, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

bool ReadLine(QByteArray* line)
{
    std::string text;
    if (!std::getline(std::cin, text))
        return false;
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    *line = QByteArray::fromStdString(text);
    return true;
}

} // namespace

bool CConsole::IsInputTerminal()
{
    return IsTerminal(stdin);
}

bool CConsole::IsErrorTerminal()
{
    return IsTerminal(stderr);
}

bool CConsole::ReadSecretLine(const QString& prompt, QByteArray* line)
{
    if (!IsInputTerminal())
        return ReadLine(line);
    Error(prompt);
    bool read = false;
    {
        EchoOff quiet;
        read = ReadLine(line);
    }
    Error(QStringLiteral("\n"));
    return read;
}

void CConsole::Out(const QByteArray& text)
{
    Write(stdout, text);
}

void CConsole::Print(const QString& text)
{
    Write(stdout, PrintableLines(text).toUtf8());
}

void CConsole::Error(const QString& text)
{
    WriteError(PrintableLines(text));
}

void CConsole::WriteError(const QString& text)
{
    Write(stderr, text.toLocal8Bit());
}

void CConsole::Progress(const QString& text)
{
    if (!IsErrorTerminal())
        return;
    // Carriage return, the text, then clear what a longer earlier line left.
    WriteError(QStringLiteral("\r") + PrintableText(text) + QStringLiteral("\x1b[K"));
    m_bProgressShown = true;
}

void CConsole::EndProgress()
{
    if (!m_bProgressShown)
        return;
    WriteError(QStringLiteral("\r\x1b[K"));
    m_bProgressShown = false;
}
