#include "SimOptions.h"

#include "ProtocolConstants.h"

#include <cstdlib>

namespace devsim {

namespace {

bool toNumber(const std::string& strText, double dMin, double dMax, double& dOut)
{
    char* pEnd = nullptr;
    const double dValue = std::strtod(strText.c_str(), &pEnd);
    if (strText.empty() || *pEnd != '\0' || !(dValue >= dMin && dValue <= dMax))
        return false;
    dOut = dValue;
    return true;
}

} // namespace

bool SimOptions::hasOnvif()
{
#if defined(LUMO_DEVSIM_ONVIF)
    return true;
#else
    return false;
#endif
}

std::string SimOptions::usage()
{
    return "usage: lumo-devsim [--count N | --demo] [--state FILE] [options]\n"
           "  --count N              simulate N devices (1..10000)\n"
           "  --demo                 the demo fleet; answers on the loopback only\n"
           "  --state FILE           fleet state (JSON); created when missing, rewritten on every change\n"
           "  --bind ADDRESS         local address for the device port (default: all)\n"
           "  --broadcast-address A  where broadcasts go (default: 255.255.255.255 on every adapter)\n"
           "  --port P               device port (default 47810)\n"
           "  --client-port P        port of utilities, for broadcasts (default 47811)\n"
           "  --ttl-ms MS            lifetime devices announce (default 120000)\n"
           "  --loss F               drop each datagram in and out with probability F (0..1);\n"
           "                         ONVIF cameras drop that share of their probe matches\n"
           "  --duplicate F          send each datagram twice with probability F\n"
           "  --delay-ms MS          delay every datagram sent\n"
           "  --kdf-ops N --kdf-mem-kib K   key-derivation cost asked of clients\n"
           "  --lockout-ms MS        lockout after 5 failed authentications (default 60000)\n"
           "  --failure-budget N     failed authentications a device takes before one a minute (default 200)\n"
           "  --ack-before-save      answer before saving, unflushed (the old way; comparisons only)\n"
           "  --no-announce          no announcement at start\n"
           "  --floor-port P         answer benchmark floor requests on port P\n"
           "  --seed N               seed of the fault injector\n"
           "  --stop-on-input-end    stop (goodbyes, state saved) when standard input ends,\n"
           "                         for parents that cannot send SIGTERM, as on Windows\n"
           "  --onvif-count N        also simulate N ONVIF cameras (1..1000) on the bind address\n"
           "  --onvif-port P         WS-Discovery port of the ONVIF cameras (default 3702)\n"
           "  --onvif-http-port P    HTTP port of the first ONVIF camera, the next ones follow (default 18080)\n"
           "  --onvif-reply-delay-ms MS  each camera answers a probe after a random time up to MS,\n"
           "                         as real cameras do (up to 500 ms); default 0, at once\n";
}

std::optional<SimOptions> SimOptions::parse(const std::vector<std::string>& arguments, std::string& strError)
{
    SimOptions options;
    options.nDevicePort = lumo::kDefaultDevicePort;
    options.nClientPort = lumo::kDefaultClientPort;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& strName = arguments[i];
        auto value = [&](double dMin, double dMax, double& dOut) {
            if (i + 1 >= arguments.size() || !toNumber(arguments[i + 1], dMin, dMax, dOut)) {
                strError = "bad or missing value for " + strName;
                return false;
            }
            ++i;
            return true;
        };
        auto text = [&](std::string& strOut) {
            if (i + 1 >= arguments.size()) {
                strError = "missing value for " + strName;
                return false;
            }
            strOut = arguments[++i];
            return true;
        };
        double dValue = 0;
        bool bOk = true;
        if (strName == "--count") {
            bOk = value(1, 10000, dValue);
            options.nCount = size_t(dValue);
        } else if (strName == "--demo") {
            options.bDemo = true;
        } else if (strName == "--state") {
            bOk = text(options.strStatePath);
        } else if (strName == "--bind") {
            bOk = text(options.strBindAddress);
        } else if (strName == "--broadcast-address") {
            bOk = text(options.strBroadcastAddress);
        } else if (strName == "--port") {
            bOk = value(1, 65535, dValue);
            options.nDevicePort = uint16_t(dValue);
        } else if (strName == "--client-port") {
            bOk = value(1, 65535, dValue);
            options.nClientPort = uint16_t(dValue);
        } else if (strName == "--ttl-ms") {
            bOk = value(100, 86400000, dValue);
            options.nTtlMs = uint32_t(dValue);
        } else if (strName == "--loss") {
            bOk = value(0, 1, options.dLoss);
        } else if (strName == "--duplicate") {
            bOk = value(0, 1, options.dDuplicate);
        } else if (strName == "--delay-ms") {
            bOk = value(0, 60000, dValue);
            options.nDelayMs = uint32_t(dValue);
        } else if (strName == "--kdf-ops") {
            bOk = value(lumo::kMinPwhashOps, lumo::kMaxPwhashOps, dValue);
            options.nKdfOps = uint32_t(dValue);
        } else if (strName == "--kdf-mem-kib") {
            bOk = value(lumo::kMinPwhashMemKib, lumo::kMaxPwhashMemKib, dValue);
            options.nKdfMemKib = uint32_t(dValue);
        } else if (strName == "--lockout-ms") {
            bOk = value(100, 1800000, dValue);
            options.nLockoutMs = uint32_t(dValue);
        } else if (strName == "--failure-budget") {
            bOk = value(1, 100000, dValue);
            options.nFailureBudget = uint32_t(dValue);
        } else if (strName == "--ack-before-save") {
            options.bAckBeforeSave = true;
        } else if (strName == "--no-announce") {
            options.bAnnounce = false;
        } else if (strName == "--floor-port") {
            bOk = value(1, 65535, dValue);
            options.nFloorPort = uint16_t(dValue);
        } else if (strName == "--seed") {
            bOk = value(0, 4294967295.0, dValue);
            options.nSeed = unsigned(dValue);
        } else if (strName == "--stop-on-input-end") {
            options.bStopOnInputEnd = true;
        } else if (strName == "--onvif-count") {
            if (!hasOnvif()) {
                strError = "--onvif-count: this build of lumo-devsim has no ONVIF support (built without pugixml or cpp-httplib)";
                return std::nullopt;
            }
            bOk = value(1, 1000, dValue);
            options.nOnvifCount = size_t(dValue);
        } else if (strName == "--onvif-port") {
            bOk = value(1, 65535, dValue);
            options.nOnvifPort = uint16_t(dValue);
        } else if (strName == "--onvif-reply-delay-ms") {
            bOk = value(0, 5000, dValue);
            options.nOnvifReplyDelayMs = uint32_t(dValue);
        } else if (strName == "--onvif-http-port") {
            bOk = value(1, 65535, dValue);
            options.nOnvifHttpPort = uint16_t(dValue);
        } else if (strName == "--help" || strName == "-h") {
            strError = usage();
            return std::nullopt;
        } else {
            strError = "unknown option " + strName;
            return std::nullopt;
        }
        if (!bOk)
            return std::nullopt;
    }
    if (options.bDemo) {
        if (options.strBindAddress.empty())
            options.strBindAddress = "127.0.0.1";
        if (options.strBroadcastAddress.empty())
            options.strBroadcastAddress = "127.255.255.255";
    }
    if (options.nOnvifCount > 0 && size_t(options.nOnvifHttpPort) + options.nOnvifCount > 65536) {
        strError = "--onvif-http-port: the cameras' ports would pass 65535";
        return std::nullopt;
    }
    if (!options.bDemo && options.nCount == 0 && options.nOnvifCount == 0 && options.strStatePath.empty()) {
        strError = "give --count N, --onvif-count N, --demo or --state FILE";
        return std::nullopt;
    }
    return options;
}

} // namespace devsim
