#include "ChildSafeSocket.h"

#ifdef _WIN32
#include <winsock2.h>
#ifndef WSA_FLAG_NO_HANDLE_INHERIT
#define WSA_FLAG_NO_HANDLE_INHERIT 0x80
#endif
#else
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace lumo {

std::error_code ChildSafeSocket::openUdpV4(asio::ip::udp::socket& socket)
{
    std::error_code error;
#ifdef _WIN32
    // Created without inheritance from the start, so that no process started
    // by another thread in between can take a copy.
    const SOCKET native = ::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0,
                                       WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (native == INVALID_SOCKET)
        return {::WSAGetLastError(), std::system_category()};
    socket.assign(asio::ip::udp::v4(), native, error);
    if (error)
        ::closesocket(native);
#else
    const int native = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (native < 0)
        return {errno, std::system_category()};
    socket.assign(asio::ip::udp::v4(), native, error);
    if (error)
        ::close(native);
#endif
    return error;
}

} // namespace lumo
