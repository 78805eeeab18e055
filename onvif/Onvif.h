#pragma once

// The ONVIF client library: finding ONVIF devices, reading them and giving
// them a new address. Qt Core and Qt Network only; it knows nothing of the
// device table. docs/onvif.md gives the messages and rules.
//
// - OnvifDiscovery: WS-Discovery probes on the selected adapters and to named
//   addresses, Hello and Bye; one OnvifDeviceRecord per EndpointReference.
// - OnvifDiscoverySettings: which adapters and targets (ONVIF_* or LUMO_*
//   environment settings).
// - OnvifDeviceClient: the device-service reads (clock, identity, network).
// - OnvifReadQueue: many devices read with a bound on how many at once.
// - OnvifReaddress: a new manual IPv4 address and gateway, reboot when needed,
//   and the wait for the device at its new address.
// - ProbeCodec, DeviceServiceCodec, OnvifEnvelope: the messages, built and read
//   without a network (bounded, untrusted input).
// - WsUsernameToken, HttpDigest: the two ways devices authenticate a client.
// - OnvifSoapClient: the transport of the device-service calls (deadline,
//   size bound, Digest retry).

#include "DeviceServiceCodec.h"
#include "HttpDigest.h"
#include "OnvifDeviceClient.h"
#include "OnvifDeviceRecord.h"
#include "OnvifDiscovery.h"
#include "OnvifDiscoverySettings.h"
#include "OnvifEnvelope.h"
#include "OnvifReadQueue.h"
#include "OnvifReaddress.h"
#include "OnvifSoapClient.h"
#include "ProbeCodec.h"
#include "WsUsernameToken.h"
