// libFuzzer target for the ONVIF envelope parser and the readers above it:
// a datagram as discovery reads it, a body as the device service reads it, and
// a WWW-Authenticate header. Besides not crashing or hanging, what decodes must
// hold together: every endpoint named, every listed match with a host.
#include "DeviceServiceCodec.h"
#include "HttpDigest.h"
#include "OnvifEnvelope.h"
#include "ProbeCodec.h"

#include <QByteArray>
#include <QDateTime>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(pData), qsizetype(nSize));

    const ProbeCodec::Message message = ProbeCodec::decode(data);
    for (const OnvifDeviceRecord& record : message.endpoints) {
        if (record.endpoint.isEmpty())
            std::abort();
        if (message.kind != ProbeCodec::Kind::Bye && record.host.isEmpty())
            std::abort();
    }
    if (message.error != OnvifEnvelope::Error::None && !message.endpoints.isEmpty())
        std::abort();

    OnvifEnvelope::Limits limits;
    limits.maxBytes = 1024 * 1024;
    const OnvifEnvelope envelope = OnvifEnvelope::parse(data, limits);
    OnvifDeviceRecord record;
    (void)DeviceServiceCodec::readClockOffset(envelope, QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
    (void)DeviceServiceCodec::readDeviceInformation(envelope, &record);
    (void)DeviceServiceCodec::readNetworkInterfaces(envelope, &record);
    (void)DeviceServiceCodec::readNetworkDefaultGateway(envelope, &record);
    (void)DeviceServiceCodec::readNetworkProtocols(envelope, &record);
    (void)DeviceServiceCodec::readRebootNeeded(envelope);
    (void)envelope.faultText();

    HttpDigest::Challenge challenge;
    if (HttpDigest::parseChallenge(data, &challenge) && (challenge.nonce.isEmpty() || challenge.realm.isNull()))
        std::abort();
    return 0;
}
