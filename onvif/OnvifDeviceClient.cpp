#include "OnvifDeviceClient.h"

#include <QDateTime>

using Operation = DeviceServiceCodec::Operation;

OnvifDeviceClient::OnvifDeviceClient(QNetworkAccessManager* pManager, QObject* pParent)
    : QObject(pParent), m_pSoap(new OnvifSoapClient(pManager, this))
{
}

void OnvifDeviceClient::setCredentials(const QString& strUser, const QString& strPassword)
{
    m_pSoap->setCredentials(strUser, strPassword);
}

void OnvifDeviceClient::setDeadline(int nMs)
{
    m_pSoap->setDeadline(nMs);
}

void OnvifDeviceClient::read(const OnvifDeviceRecord& record, const QUrl& url)
{
    m_record = record;
    m_url = url.isValid() ? url : QUrl(record.deviceServiceUrl());
    m_bBusy = true;
    if (!m_url.isValid() || m_url.host().isEmpty()) {
        end(OnvifDeviceRecord::State::Failed, QStringLiteral("no device-service address"));
        return;
    }
    m_remaining = {Operation::GetDeviceInformation, Operation::GetNetworkInterfaces,
                   Operation::GetNetworkDefaultGateway, Operation::GetNetworkProtocols};
    readClock();
}

void OnvifDeviceClient::readClock()
{
    m_pSoap->call(m_url, Operation::GetSystemDateAndTime, false,
                  [](const WsUsernameToken*) { return DeviceServiceCodec::buildRequest(Operation::GetSystemDateAndTime, nullptr); },
                  [this](const OnvifSoapClient::Result& result) {
                      if (result.outcome == OnvifSoapClient::Outcome::Timeout
                          || result.outcome == OnvifSoapClient::Outcome::NetworkError) {
                          end(OnvifDeviceRecord::State::Unreachable, result.error);
                          return;
                      }
                      // A device that refuses even the time is read with our own clock.
                      const auto offset = DeviceServiceCodec::readClockOffset(result.envelope, QDateTime::currentDateTimeUtc());
                      m_record.clockKnown = offset.has_value();
                      m_record.clockOffsetSeconds = offset.value_or(0);
                      m_pSoap->setClockOffset(m_record.clockOffsetSeconds);
                      readNext();
                  });
}

void OnvifDeviceClient::readNext()
{
    if (m_remaining.isEmpty()) {
        end(OnvifDeviceRecord::State::Read, QString());
        return;
    }
    const Operation operation = m_remaining.takeFirst();
    m_pSoap->call(m_url, operation, true,
                  [operation](const WsUsernameToken* pToken) { return DeviceServiceCodec::buildRequest(operation, pToken); },
                  [this, operation](const OnvifSoapClient::Result& result) { onRead(operation, result); });
}

void OnvifDeviceClient::onRead(Operation operation, const OnvifSoapClient::Result& result)
{
    using Outcome = OnvifSoapClient::Outcome;
    switch (result.outcome) {
    case Outcome::Unauthorized:
        end(OnvifDeviceRecord::State::CredentialsNeeded,
            m_pSoap->hasCredentials() ? QStringLiteral("authentication failed (%1)").arg(result.error)
                                      : QStringLiteral("credentials needed"));
        return;
    case Outcome::Timeout:
    case Outcome::NetworkError:
        end(OnvifDeviceRecord::State::Unreachable, result.error);
        return;
    default:
        break;
    }
    bool bRead = false;
    switch (operation) {
    case Operation::GetDeviceInformation: bRead = DeviceServiceCodec::readDeviceInformation(result.envelope, &m_record); break;
    case Operation::GetNetworkInterfaces: bRead = DeviceServiceCodec::readNetworkInterfaces(result.envelope, &m_record); break;
    // Gateway and protocols are optional: a device without them is still read.
    case Operation::GetNetworkDefaultGateway:
        if (!DeviceServiceCodec::readNetworkDefaultGateway(result.envelope, &m_record))
            m_record.ipv4Gateway.clear();
        bRead = true;
        break;
    case Operation::GetNetworkProtocols:
        if (!DeviceServiceCodec::readNetworkProtocols(result.envelope, &m_record))
            m_record.httpPort = -1;
        bRead = true;
        break;
    default: break;
    }
    if (!bRead) {
        const QString strWhy = result.error.isEmpty() ? QStringLiteral("unexpected answer") : result.error;
        end(OnvifDeviceRecord::State::Failed, DeviceServiceCodec::operationName(operation) + QLatin1String(": ") + strWhy);
        return;
    }
    readNext();
}

void OnvifDeviceClient::end(OnvifDeviceRecord::State state, const QString& strError)
{
    m_record.state = state;
    m_record.error = strError;
    m_bBusy = false;
    emit finished(m_record);
}
