#pragma once

#include <QLatin1String>

// Namespaces of the messages the library sends and reads.
namespace OnvifNs {
inline constexpr QLatin1String Soap("http://www.w3.org/2003/05/soap-envelope");
inline constexpr QLatin1String Addressing("http://schemas.xmlsoap.org/ws/2004/08/addressing");
inline constexpr QLatin1String Discovery("http://schemas.xmlsoap.org/ws/2005/04/discovery");
inline constexpr QLatin1String Network("http://www.onvif.org/ver10/network/wsdl");
inline constexpr QLatin1String Device("http://www.onvif.org/ver10/device/wsdl");
inline constexpr QLatin1String Schema("http://www.onvif.org/ver10/schema");
inline constexpr QLatin1String Security("http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd");
inline constexpr QLatin1String Utility("http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd");
inline constexpr QLatin1String PasswordDigest("http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0#PasswordDigest");
inline constexpr QLatin1String Base64Binary("http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-soap-message-security-1.0#Base64Binary");
inline constexpr QLatin1String DiscoveryTo("urn:schemas-xmlsoap-org:ws:2005:04:discovery");
inline constexpr QLatin1String AnonymousReply("http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous");
} // namespace OnvifNs
