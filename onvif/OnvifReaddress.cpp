#include "OnvifReaddress.h"

#include <QDateTime>
#include <QHostAddress>
#include <QTimer>

#include <algorithm>

using Operation = DeviceServiceCodec::Operation;
using Outcome = OnvifSoapClient::Outcome;

OnvifReaddress::OnvifReaddress(QNetworkAccessManager* pManager, QObject* pParent)
    : QObject(pParent), m_pSoap(new OnvifSoapClient(pManager, this)), m_pPollTimer(new QTimer(this))
{
    m_pPollTimer->setSingleShot(true);
    connect(m_pPollTimer, &QTimer::timeout, this, &OnvifReaddress::pollNewAddress);
}

void OnvifReaddress::setCredentials(const QString& strUser, const QString& strPassword)
{
    m_pSoap->setCredentials(strUser, strPassword);
}

void OnvifReaddress::setCallDeadline(int nMs)
{
    m_pSoap->setDeadline(nMs);
}

void OnvifReaddress::start(const OnvifDeviceRecord& device, const Request& request)
{
    m_device = device;
    m_request = request;
    m_result = Result{};
    m_bRunning = true;
    m_oldUrl = QUrl(device.deviceServiceUrl());
    const QHostAddress address(request.ipv4Address);
    if (address.protocol() != QAbstractSocket::IPv4Protocol || request.prefixLength < 1 || request.prefixLength > 32
        || !m_oldUrl.isValid() || m_oldUrl.host().isEmpty()) {
        fail(Failure::InvalidRequest, QStringLiteral("invalid address, prefix or device-service address"));
        return;
    }
    m_newUrl = m_oldUrl;
    m_newUrl.setHost(request.ipv4Address);
    m_result.newDeviceServiceUrl = m_newUrl.toString();
    readClock();
}

void OnvifReaddress::readClock()
{
    m_pSoap->call(m_oldUrl, Operation::GetSystemDateAndTime, false,
                  [](const WsUsernameToken*) { return DeviceServiceCodec::buildRequest(Operation::GetSystemDateAndTime, nullptr); },
                  [this](const OnvifSoapClient::Result& result) {
                      if (result.outcome == Outcome::Timeout || result.outcome == Outcome::NetworkError) {
                          fail(Failure::NoAnswer, result.error);
                          return;
                      }
                      const auto offset = DeviceServiceCodec::readClockOffset(result.envelope, QDateTime::currentDateTimeUtc());
                      m_pSoap->setClockOffset(offset.value_or(m_device.clockOffsetSeconds));
                      readInterfaceToken();
                  });
}

void OnvifReaddress::readInterfaceToken()
{
    if (!m_device.interfaceToken.isEmpty()) {
        setGateway();
        return;
    }
    m_pSoap->call(m_oldUrl, Operation::GetNetworkInterfaces, true,
                  [](const WsUsernameToken* pToken) { return DeviceServiceCodec::buildRequest(Operation::GetNetworkInterfaces, pToken); },
                  [this](const OnvifSoapClient::Result& result) {
                      if (failOn(result, QStringLiteral("GetNetworkInterfaces")))
                          return;
                      if (!DeviceServiceCodec::readNetworkInterfaces(result.envelope, &m_device) || m_device.interfaceToken.isEmpty()) {
                          fail(Failure::Refused, QStringLiteral("the device names no IPv4 interface"));
                          return;
                      }
                      setGateway();
                  });
}

void OnvifReaddress::setGateway()
{
    if (m_request.ipv4Gateway.isEmpty()) {
        setInterface();
        return;
    }
    const QString strGateway = m_request.ipv4Gateway;
    m_pSoap->call(m_oldUrl, Operation::SetNetworkDefaultGateway, true,
                  [strGateway](const WsUsernameToken* pToken) { return DeviceServiceCodec::buildSetNetworkDefaultGateway(strGateway, pToken); },
                  [this](const OnvifSoapClient::Result& result) {
                      if (!failOn(result, QStringLiteral("SetNetworkDefaultGateway")))
                          setInterface();
                  });
}

void OnvifReaddress::setInterface()
{
    DeviceServiceCodec::InterfaceChange change;
    change.interfaceToken = m_device.interfaceToken;
    change.ipv4Address = m_request.ipv4Address;
    change.prefixLength = m_request.prefixLength;
    m_pSoap->call(m_oldUrl, Operation::SetNetworkInterfaces, true,
                  [change](const WsUsernameToken* pToken) { return DeviceServiceCodec::buildSetNetworkInterfaces(change, pToken); },
                  [this](const OnvifSoapClient::Result& result) {
                      // Some devices move before they answer: no answer here may
                      // still be a change, which the wait at the new address shows.
                      if (result.outcome == Outcome::Timeout || result.outcome == Outcome::NetworkError) {
                          waitForReturn();
                          return;
                      }
                      if (failOn(result, QStringLiteral("SetNetworkInterfaces")))
                          return;
                      m_result.bRebootNeeded = DeviceServiceCodec::readRebootNeeded(result.envelope).value_or(false);
                      if (m_result.bRebootNeeded)
                          reboot();
                      else
                          waitForReturn();
                  });
}

void OnvifReaddress::reboot()
{
    m_pSoap->call(m_oldUrl, Operation::SystemReboot, true,
                  [](const WsUsernameToken* pToken) { return DeviceServiceCodec::buildRequest(Operation::SystemReboot, pToken); },
                  [this](const OnvifSoapClient::Result& result) {
                      // A device may go down before its answer is out: only a refusal stops here.
                      if (result.outcome == Outcome::Unauthorized || result.outcome == Outcome::Fault) {
                          if (failOn(result, QStringLiteral("SystemReboot")))
                              return;
                      }
                      waitForReturn();
                  });
}

void OnvifReaddress::waitForReturn()
{
    m_waiting.start();
    pollNewAddress();
}

void OnvifReaddress::pollNewAddress()
{
    if (!m_bRunning || m_bPollPending)
        return;
    if (m_waiting.elapsed() >= m_nReturnDeadlineMs) {
        checkOldAddress();
        return;
    }
    m_bPollPending = true;
    m_pSoap->call(m_newUrl, Operation::GetSystemDateAndTime, false,
                  [](const WsUsernameToken*) { return DeviceServiceCodec::buildRequest(Operation::GetSystemDateAndTime, nullptr); },
                  [this](const OnvifSoapClient::Result& result) {
                      m_bPollPending = false;
                      if (!m_bRunning)
                          return;
                      if (result.outcome == Outcome::Ok
                          && DeviceServiceCodec::isResponse(result.envelope, Operation::GetSystemDateAndTime)) {
                          succeed();
                          return;
                      }
                      const qint64 nLeft = m_nReturnDeadlineMs - m_waiting.elapsed();
                      m_pPollTimer->start(int(std::clamp<qint64>(nLeft, 0, m_nPollIntervalMs)));
                  });
}

void OnvifReaddress::checkOldAddress()
{
    m_pSoap->call(m_oldUrl, Operation::GetSystemDateAndTime, false,
                  [](const WsUsernameToken*) { return DeviceServiceCodec::buildRequest(Operation::GetSystemDateAndTime, nullptr); },
                  [this](const OnvifSoapClient::Result& result) {
                      if (!m_bRunning)
                          return;
                      if (result.outcome == Outcome::Ok)
                          fail(Failure::StillAtOldAddress, QStringLiteral("still at its old address %1").arg(m_oldUrl.host()));
                      else
                          fail(Failure::NoAnswer, QStringLiteral("no answer at %1 within %2 ms").arg(m_newUrl.host()).arg(m_nReturnDeadlineMs));
                  });
}

void OnvifReaddress::noteHello(const OnvifDeviceRecord& announced)
{
    if (!m_bRunning || !m_waiting.isValid() || announced.endpoint != m_device.endpoint)
        return;
    if (announced.host == m_request.ipv4Address)
        succeed();
}

bool OnvifReaddress::failOn(const OnvifSoapClient::Result& result, const QString& strStep)
{
    switch (result.outcome) {
    case Outcome::Ok:
        return false;
    case Outcome::Unauthorized:
        fail(Failure::AuthenticationFailed, strStep + QLatin1String(": authentication failed (") + result.error + QLatin1Char(')'));
        return true;
    case Outcome::Timeout:
    case Outcome::NetworkError:
        fail(Failure::NoAnswer, strStep + QLatin1String(": ") + result.error);
        return true;
    case Outcome::Fault:
    case Outcome::TooLarge:
    case Outcome::Malformed:
        fail(Failure::Refused, strStep + QLatin1String(": ") + result.error);
        return true;
    }
    return true;
}

void OnvifReaddress::fail(Failure failure, const QString& strReason)
{
    m_bRunning = false;
    m_pPollTimer->stop();
    m_result.failure = failure;
    m_result.reason = strReason;
    emit finished(m_result);
}

void OnvifReaddress::succeed()
{
    m_bRunning = false;
    m_pPollTimer->stop();
    m_result.failure = Failure::None;
    m_result.reason.clear();
    emit finished(m_result);
}

QString OnvifReaddress::failureName(Failure failure)
{
    switch (failure) {
    case Failure::None: return QStringLiteral("done");
    case Failure::NoAnswer: return QStringLiteral("no answer");
    case Failure::AuthenticationFailed: return QStringLiteral("authentication failed");
    case Failure::Refused: return QStringLiteral("refused by the device");
    case Failure::StillAtOldAddress: return QStringLiteral("still at its old address");
    case Failure::InvalidRequest: return QStringLiteral("invalid request");
    }
    return QString();
}
