#pragma once

#include "OnvifAuthenticator.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace devsim {

class OnvifFleet;

// One camera's device service: an HTTP server (cpp-httplib, on threads of its
// own) at the camera's address and port, answering SOAP 1.2 at
// /onvif/device_service. Changes are answered only once they are saved (the
// persist hook blocks until then); the move to a new address and the reboot
// are left to the host, after the answer has gone.
class OnvifDeviceService
{
public:
    struct Hooks
    {
        std::function<bool(size_t nIndex)> persist;   // false: not saved, the change is not acknowledged
        std::function<void(size_t nIndex)> moveSoon;  // to the stored address, at once
        std::function<void(size_t nIndex)> rebootSoon;
    };

    static constexpr size_t kMaxBody = 64 * 1024;
    static constexpr const char* kPath = "/onvif/device_service";

    OnvifDeviceService(OnvifFleet& fleet, size_t nIndex, Hooks hooks);
    ~OnvifDeviceService();
    OnvifDeviceService(const OnvifDeviceService&) = delete;
    OnvifDeviceService& operator=(const OnvifDeviceService&) = delete;

    // Listens at the address and port; false (and why) when they cannot be bound.
    bool start(uint32_t nAddress, uint16_t nPort, std::string& strError);
    // Waits for the requests under way; the camera then answers nothing.
    void stop();

private:
    void handle(const httplib::Request& request, httplib::Response& response);
    void answer(httplib::Response& response, int nStatus, const std::string& strBody) const;
    void refuse(httplib::Response& response, OnvifAuthenticator::Verdict verdict);
    void dispatch(const std::string& strOperation, pugi::xml_node payload, httplib::Response& response);
    void setNetworkInterfaces(pugi::xml_node payload, httplib::Response& response);
    void setNetworkDefaultGateway(pugi::xml_node payload, httplib::Response& response);

    OnvifFleet& m_fleet;
    const size_t m_nIndex;
    Hooks m_hooks;
    OnvifAuthenticator m_authenticator;
    std::unique_ptr<httplib::Server> m_pServer;
    std::thread m_thread;
};

} // namespace devsim
