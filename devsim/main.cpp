// lumo-devsim: simulated devices that speak the discovery protocol.
#include "FleetFactory.h"
#include "FleetStore.h"
#include "IpAddress.h"
#include "OnvifFleetFactory.h"
#include "OnvifFleetStore.h"
#include "PasswordSeal.h"
#include "SimOptions.h"
#include "Simulator.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

struct InitialFleet
{
    std::vector<devsim::SimDevice> devices;
    std::vector<devsim::OnvifSimDevice> cameras;
};

std::vector<devsim::OnvifSimDevice> newCameras(const devsim::SimOptions& options,
                                               const std::vector<devsim::SimDevice>& devices)
{
    using devsim::OnvifFleetFactory;
    const uint32_t nAddress = lumo::IpAddress::parseIpv4(options.strBindAddress).value_or(0);
    const uint32_t nCameraAddress = nAddress != 0 ? nAddress : lumo::IpAddress::parseIpv4("127.0.0.1").value_or(0);
    if (options.nOnvifCount > 0)
        return OnvifFleetFactory::generated(options.nOnvifCount, nCameraAddress, options.nOnvifHttpPort);
    if (options.bDemo && devsim::SimOptions::hasOnvif() && !devices.empty())
        return OnvifFleetFactory::demo(nCameraAddress, options.nOnvifHttpPort, devices.front());
    return {};
}

InitialFleet initialFleet(const devsim::SimOptions& options)
{
    using devsim::FleetFactory;
    const devsim::KeyCost cost{options.nKdfOps, options.nKdfMemKib};
    std::unique_ptr<devsim::PasswordSeal> pSeal;
    if (!options.strStatePath.empty())
        pSeal = std::make_unique<devsim::PasswordSeal>(
            devsim::PasswordSeal::forKeyFile(devsim::PasswordSeal::keyPathFor(options.strStatePath)));
    InitialFleet fleet;
    if (pSeal && std::filesystem::exists(options.strStatePath)) {
        // Rewritten at once: a file of the old form loses its clear passwords, and
        // any file its permissions beyond its owner.
        fleet.devices = devsim::FleetStore::load(options.strStatePath, cost);
        fleet.cameras = devsim::OnvifFleetStore::load(options.strStatePath, pSeal.get());
        devsim::FleetStore::save(options.strStatePath, fleet.devices,
                                 devsim::OnvifFleetStore::entries(fleet.cameras, *pSeal));
        return fleet;
    }
    const std::string strStartTime = FleetFactory::currentTimeText();
    fleet.devices = options.bDemo ? FleetFactory::demo(strStartTime, cost)
                                  : FleetFactory::generated(options.nCount, strStartTime, cost);
    fleet.cameras = newCameras(options, fleet.devices);
    if (pSeal)
        devsim::FleetStore::save(options.strStatePath, fleet.devices,
                                 devsim::OnvifFleetStore::entries(fleet.cameras, *pSeal));
    return fleet;
}

} // namespace

int main(int argc, char** argv)
{
    std::string strError;
    const auto options = devsim::SimOptions::parse(std::vector<std::string>(argv + 1, argv + argc), strError);
    if (!options && strError == devsim::SimOptions::usage()) {
        // --help: asked for, so on standard output and no error.
        std::fputs(strError.c_str(), stdout);
        return 0;
    }
    if (!options) {
        std::fprintf(stderr, "lumo-devsim: %s\n%s", strError.c_str(), devsim::SimOptions::usage().c_str());
        return 2;
    }
    try {
        InitialFleet fleet = initialFleet(*options);
        devsim::Simulator simulator(*options, std::move(fleet.devices), std::move(fleet.cameras));
        return simulator.run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lumo-devsim: %s\n", error.what());
        return 1;
    }
}
