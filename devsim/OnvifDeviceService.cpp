#include "OnvifDeviceService.h"

#include "IpAddress.h"
#include "OnvifDeviceResponses.h"
#include "OnvifFleet.h"
#include "OnvifXml.h"
#include "OnvifXmlWriter.h"

#include <httplib.h>

namespace devsim {

namespace {

constexpr const char* kContentType = "application/soap+xml; charset=utf-8";
constexpr size_t kThreadsPerDevice = 2;

} // namespace

OnvifDeviceService::OnvifDeviceService(OnvifFleet& fleet, size_t nIndex, Hooks hooks)
    : m_fleet(fleet), m_nIndex(nIndex), m_hooks(std::move(hooks))
{
}

OnvifDeviceService::~OnvifDeviceService()
{
    stop();
}

bool OnvifDeviceService::start(uint32_t nAddress, uint16_t nPort, std::string& strError)
{
    stop();
    auto pServer = std::make_unique<httplib::Server>();
    // A few threads per camera: a fleet of cameras must not cost hundreds of threads.
    pServer->new_task_queue = [] { return new httplib::ThreadPool(kThreadsPerDevice); };
    pServer->set_payload_max_length(kMaxBody);
    pServer->set_read_timeout(5, 0);
    pServer->set_write_timeout(5, 0);
    pServer->set_keep_alive_max_count(100);
    pServer->Post(kPath, [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    });
    const std::string strAddress = lumo::IpAddress::formatIpv4(nAddress);
    if (!pServer->bind_to_port(strAddress.c_str(), nPort)) {
        strError = "cannot listen at " + strAddress + ":" + std::to_string(nPort);
        return false;
    }
    m_pServer = std::move(pServer);
    m_thread = std::thread([pServer = m_pServer.get()] { pServer->listen_after_bind(); });
    return true;
}

void OnvifDeviceService::stop()
{
    if (!m_pServer)
        return;
    m_pServer->stop();
    if (m_thread.joinable())
        m_thread.join();
    m_pServer.reset();
}

void OnvifDeviceService::answer(httplib::Response& response, int nStatus, const std::string& strBody) const
{
    response.status = nStatus;
    response.set_content(strBody, kContentType);
}

void OnvifDeviceService::refuse(httplib::Response& response, OnvifAuthenticator::Verdict verdict)
{
    const std::string strFault = OnvifXmlWriter::fault("s:Sender", "ter:NotAuthorized", "Sender not authorized");
    // A refused UsernameToken is a SOAP fault; without one, or with a wrong
    // Digest answer, HTTP asks (again) for Digest.
    if (verdict == OnvifAuthenticator::Verdict::TokenRefused) {
        answer(response, 400, strFault);
        return;
    }
    response.set_header("WWW-Authenticate", m_authenticator.challenge());
    answer(response, 401, strFault);
}

void OnvifDeviceService::handle(const httplib::Request& request, httplib::Response& response)
{
    pugi::xml_document document;
    // Some clients send an empty body first to learn the Digest challenge.
    if (request.body.empty() && !request.has_header("Authorization")) {
        refuse(response, OnvifAuthenticator::Verdict::Missing);
        return;
    }
    if (!OnvifXml::parseEnvelope(document, request.body.data(), request.body.size(), kMaxBody)) {
        answer(response, 400, OnvifXmlWriter::fault("s:Sender", "ter:WellFormed", "not a well-formed SOAP 1.2 envelope"));
        return;
    }
    const pugi::xml_node payload = OnvifXml::payload(document);
    if (OnvifXml::namespaceOf(payload) != OnvifXml::kDevice) {
        answer(response, 400, OnvifXmlWriter::fault("s:Receiver", "ter:ActionNotSupported", "not a device-service request"));
        return;
    }
    const std::string strOperation = OnvifXml::localName(payload);
    if (strOperation != "GetSystemDateAndTime") {
        const auto verdict = m_authenticator.check(document, request.get_header_value("Authorization"), request.method,
                                                   m_fleet.snapshot(m_nIndex));
        if (verdict != OnvifAuthenticator::Verdict::Accepted) {
            refuse(response, verdict);
            return;
        }
    }
    dispatch(strOperation, payload, response);
}

void OnvifDeviceService::dispatch(const std::string& strOperation, pugi::xml_node payload, httplib::Response& response)
{
    const OnvifSimDevice device = m_fleet.snapshot(m_nIndex);
    if (strOperation == "GetSystemDateAndTime")
        answer(response, 200, OnvifDeviceResponses::systemDateAndTime(device));
    else if (strOperation == "GetDeviceInformation")
        answer(response, 200, OnvifDeviceResponses::deviceInformation(device));
    else if (strOperation == "GetNetworkInterfaces")
        answer(response, 200, OnvifDeviceResponses::networkInterfaces(device));
    else if (strOperation == "GetNetworkDefaultGateway")
        answer(response, 200, OnvifDeviceResponses::networkDefaultGateway(device));
    else if (strOperation == "GetNetworkProtocols")
        answer(response, 200, OnvifDeviceResponses::networkProtocols(device));
    else if (strOperation == "SetNetworkInterfaces")
        setNetworkInterfaces(payload, response);
    else if (strOperation == "SetNetworkDefaultGateway")
        setNetworkDefaultGateway(payload, response);
    else if (strOperation == "SystemReboot") {
        answer(response, 200, OnvifDeviceResponses::systemReboot());
        m_hooks.rebootSoon(m_nIndex);
    } else
        answer(response, 400, OnvifXmlWriter::fault("s:Receiver", "ter:ActionNotSupported", strOperation + " is not supported"));
}

void OnvifDeviceService::setNetworkInterfaces(pugi::xml_node payload, httplib::Response& response)
{
    std::string strReason;
    const auto change = OnvifDeviceResponses::readInterfaceChange(payload, strReason);
    if (!change) {
        answer(response, 400, OnvifXmlWriter::fault("s:Sender", "ter:InvalidArgVal", strReason));
        return;
    }
    const OnvifSimDevice device = m_fleet.update(m_nIndex, [&change](OnvifSimDevice& target) {
        target.nAddress = change->nAddress;
        target.nPrefixLength = change->nPrefixLength;
        target.bDhcp = false;
    });
    if (!m_hooks.persist(m_nIndex)) {
        answer(response, 500, OnvifXmlWriter::fault("s:Receiver", "ter:Action", "the setting could not be stored"));
        return;
    }
    answer(response, 200, OnvifDeviceResponses::setNetworkInterfaces(device.bRebootNeeded));
    if (!device.bRebootNeeded)
        m_hooks.moveSoon(m_nIndex);
}

void OnvifDeviceService::setNetworkDefaultGateway(pugi::xml_node payload, httplib::Response& response)
{
    const auto gateway = OnvifDeviceResponses::readGateway(payload);
    if (!gateway) {
        answer(response, 400, OnvifXmlWriter::fault("s:Sender", "ter:InvalidArgVal", "invalid gateway address"));
        return;
    }
    m_fleet.update(m_nIndex, [&gateway](OnvifSimDevice& target) { target.nGateway = *gateway; });
    if (!m_hooks.persist(m_nIndex)) {
        answer(response, 500, OnvifXmlWriter::fault("s:Receiver", "ter:Action", "the setting could not be stored"));
        return;
    }
    answer(response, 200, OnvifDeviceResponses::empty("tds:SetNetworkDefaultGatewayResponse"));
}

} // namespace devsim
