#include "CLumoDiscovery.h"

#include <ZelDso.h>

#include <QDebug>

#include <cstdlib>
#include <cstring>

namespace {

QString& LibraryFileNameStorage()
{
#if defined(Q_OS_WIN)
    static QString name = QStringLiteral("Lumo.dll");
#elif defined(Q_OS_MACOS)
    static QString name = QStringLiteral("liblumo.dylib");
#else
    static QString name = QStringLiteral("liblumo.so");
#endif
    return name;
}

template <typename Fn>
bool Resolve(ZEL_DSO_HANDLE library, const char* symbol, Fn& fn)
{
    fn = reinterpret_cast<Fn>(ZEL_GetSymbol(library, symbol));
    if (!fn)
        qDebug() << "Discovery library" << CLumoDiscovery::LibraryFileName() << "lacks" << symbol;
    return fn != nullptr;
}

// Copies a text into a fixed field and never past it: an over-long text is cut
// so that the field still ends in a NUL (the device reads it as a C string).
template <std::size_t N>
void CopyBounded(char (&field)[N], const char* text)
{
    if (!text)
        return;
    std::size_t length = 0;
    while (length < N - 1 && text[length] != '\0')
        ++length;
    std::memcpy(field, text, length);
    field[length] = '\0';
}

// Decimal conversion with leading-digit semantics: leading blanks and a sign
// are allowed, conversion stops at the first non-digit, no digits gives 0.
long LeadingDecimal(const char* text)
{
    return text ? std::strtol(text, nullptr, 10) : 0;
}

} // namespace

CLumoDiscovery::CLumoDiscovery() = default;

QString CLumoDiscovery::LibraryFileName()
{
    return LibraryFileNameStorage();
}

void CLumoDiscovery::SetLibraryFileName(const QString& fileName)
{
    LibraryFileNameStorage() = fileName;
}

QString CLumoDiscovery::DriverLibraryFileName()
{
    // The library speaks plain UDP through the system's sockets and needs no
    // packet-capture driver (on Windows that would be PACKET.dll, missing on
    // most machines): discovery can run exactly when its own library loads.
    return LibraryFileName();
}

void CLumoDiscovery::Init(LUMO_DEVICE_CALLBACK callback, void* userData)
{
    m_pCallback = callback;
    m_pUserData = userData;
}

void CLumoDiscovery::Reset()
{
    m_pCallback = nullptr;
    m_pUserData = nullptr;
}

bool CLumoDiscovery::Bind()
{
    if (m_bBindTried)
        return m_api.start != nullptr;
    m_bBindTried = true;

    const QByteArray fileName = LibraryFileName().toLocal8Bit();
    ZEL_DSO_HANDLE library = ZEL_LoadDSo(fileName.constData());
    if (!library) {
        qDebug() << "Discovery library" << LibraryFileName() << "cannot be loaded";
        return false;
    }
    Api api;
    const bool complete = Resolve(library, "LUMO_Start_V30", api.start)
        && Resolve(library, "LUMO_Stop", api.stop)
        && Resolve(library, "LUMO_SendInquiry", api.sendInquiry)
        && Resolve(library, "LUMO_ModifyDeviceNetParam", api.modify)
        && Resolve(library, "LUMO_ResetDefaultPasswd", api.resetPassword);
    if (complete)
        api.lastError = reinterpret_cast<LUMO_GetLastError_Fn>(ZEL_GetSymbol(library, "LUMO_GetLastError"));
    ZEL_FreeDSo(library);
    if (complete)
        m_api = api;
    return complete;
}

bool CLumoDiscovery::Start()
{
    return Bind() && m_api.start(m_pCallback, 0, m_pUserData) == 1;
}

bool CLumoDiscovery::Stop()
{
    // Only a library that is already bound is stopped: stopping must not load it.
    return m_api.stop && m_api.stop() == 1;
}

bool CLumoDiscovery::SendInquiry()
{
    return m_api.sendInquiry && m_api.sendInquiry() == 1;
}

void CLumoDiscovery::BuildNetParamBlock(LUMO_NET_PARAM_BLOCK& block, const char* ipv4Address,
                                        const char* ipv4Mask, const char* port, const char* gateway,
                                        const char* ipv6Address, const char* ipv6Gateway,
                                        int ipv6PrefixLength, int option)
{
    std::memset(&block, 0, sizeof block);
    block.optionByte = uint8_t(option & 0xFF);
    block.ipv6PrefixLength = uint8_t(ipv6PrefixLength & 0xFF);
    CopyBounded(block.ipv4Address, ipv4Address);
    CopyBounded(block.ipv4Gateway, gateway);
    CopyBounded(block.ipv4Mask, ipv4Mask);
    CopyBounded(block.ipv6Address, ipv6Address);
    CopyBounded(block.ipv6Gateway, ipv6Gateway);
    block.port = uint16_t(LeadingDecimal(port) & 0xFFFF);
}

bool CLumoDiscovery::ModifyNetParam(const char* mac, const char* ipv4Address, const char* ipv4Mask,
                                    const char* password, const char* port, const char* gateway,
                                    const char* ipv6Address, const char* ipv6Gateway,
                                    int ipv6PrefixLength, int option, LumoFailure* failure)
{
    if (!m_api.modify)
        return Outcome(0, failure);
    LUMO_NET_PARAM_BLOCK block;
    BuildNetParamBlock(block, ipv4Address, ipv4Mask, port, gateway, ipv6Address, ipv6Gateway,
                       ipv6PrefixLength, option);
    return Outcome(m_api.modify(mac, password, &block), failure);
}

bool CLumoDiscovery::ResetDefaultPassword(const char* serial, const char* securityCode, LumoFailure* failure)
{
    if (!m_api.resetPassword)
        return Outcome(0, failure);
    return Outcome(m_api.resetPassword(serial, securityCode), failure);
}

bool CLumoDiscovery::Outcome(int result, LumoFailure* failure) const
{
    if (result == 1)
        return true;
    if (failure) {
        // Binding is all or nothing: no start function, no library.
        if (!m_api.start)
            *failure = LumoFailure{ LumoFailure::Reason::NotRunning, 0 };
        else
            *failure = m_api.lastError ? LumoFailure::FromLastError(m_api.lastError()) : LumoFailure();
    }
    return false;
}
