#pragma once

#include <asio/ip/udp.hpp>

#include <system_error>

namespace lumo {

// Opens UDP sockets that child processes do not inherit. A child started while
// a socket is open (the browser a double-click opens, a simulator a test starts)
// would otherwise hold a copy: the port stays bound after this process has
// closed it, and datagrams meant for a later socket on the same port land in
// the copy nobody reads.
class ChildSafeSocket
{
public:
    static std::error_code openUdpV4(asio::ip::udp::socket& socket);
};

} // namespace lumo
