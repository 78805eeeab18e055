#include "CConsole.h"

#include <QByteArray>

#include <cstdio>
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

// Turns the terminal's echo off for its lifetime.
class EchoOff
{
public:
    EchoOff()
    {
#if defined(Q_OS_WIN)
        m_input = GetStdHandle(STD_INPUT_HANDLE);
        m_bActive = GetConsoleMode(m_input, &m_mode) != 0
            && SetConsoleMode(m_input, m_mode & ~DWORD(ENABLE_ECHO_INPUT)) != 0;
#else
        m_bActive = tcgetattr(STDIN_FILENO, &m_saved) == 0;
        if (m_bActive) {
            termios quiet = m_saved;
            quiet.c_lflag &= ~tcflag_t(ECHO);
            m_bActive = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
#endif
    }
    ~EchoOff()
    {
        if (!m_bActive)
            return;
#if defined(Q_OS_WIN)
        SetConsoleMode(m_input, m_mode);
#else
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
#endif
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    bool m_bActive = false;
#if defined(Q_OS_WIN)
    HANDLE m_input = nullptr;
    DWORD m_mode = 0;
#else
    termios m_saved {};
#endif
};

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
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
    std::fflush(stdout);
}

void CConsole::Error(const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void CConsole::Progress(const QString& text)
{
    if (!IsErrorTerminal())
        return;
    // Carriage return, the text, then clear what a longer earlier line left.
    Error(QStringLiteral("\r") + text + QStringLiteral("\x1b[K"));
    m_bProgressShown = true;
}

void CConsole::EndProgress()
{
    if (!m_bProgressShown)
        return;
    Error(QStringLiteral("\r\x1b[K"));
    m_bProgressShown = false;
}
