// lumo-devsim: simulated devices that speak the discovery protocol.
#include "FleetFactory.h"
#include "FleetStore.h"
#include "SimOptions.h"
#include "Simulator.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<devsim::SimDevice> initialFleet(const devsim::SimOptions& options)
{
    using devsim::FleetFactory;
    if (!options.strStatePath.empty() && std::filesystem::exists(options.strStatePath))
        return devsim::FleetStore::load(options.strStatePath);
    const std::string strStartTime = FleetFactory::currentTimeText();
    std::vector<devsim::SimDevice> fleet = options.bDemo ? FleetFactory::demo(strStartTime)
                                                         : FleetFactory::generated(options.nCount, strStartTime);
    if (!options.strStatePath.empty())
        devsim::FleetStore::save(options.strStatePath, fleet);
    return fleet;
}

} // namespace

int main(int argc, char** argv)
{
    std::string strError;
    const auto options = devsim::SimOptions::parse(std::vector<std::string>(argv + 1, argv + argc), strError);
    if (!options) {
        std::fprintf(stderr, "lumo-devsim: %s\n%s", strError.c_str(),
                     strError == devsim::SimOptions::usage() ? "" : devsim::SimOptions::usage().c_str());
        return 2;
    }
    try {
        devsim::Simulator simulator(*options, initialFleet(*options));
        return simulator.run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lumo-devsim: %s\n", error.what());
        return 1;
    }
}
