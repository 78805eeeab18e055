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
    const devsim::KeyCost cost{options.nKdfOps, options.nKdfMemKib};
    if (!options.strStatePath.empty() && std::filesystem::exists(options.strStatePath)) {
        // Rewritten at once: a file of the old form loses its clear passwords, and
        // any file its permissions beyond its owner.
        std::vector<devsim::SimDevice> fleet = devsim::FleetStore::load(options.strStatePath, cost);
        devsim::FleetStore::save(options.strStatePath, fleet);
        return fleet;
    }
    const std::string strStartTime = FleetFactory::currentTimeText();
    std::vector<devsim::SimDevice> fleet = options.bDemo ? FleetFactory::demo(strStartTime, cost)
                                                         : FleetFactory::generated(options.nCount, strStartTime, cost);
    if (!options.strStatePath.empty())
        devsim::FleetStore::save(options.strStatePath, fleet);
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
        devsim::Simulator simulator(*options, initialFleet(*options));
        return simulator.run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lumo-devsim: %s\n", error.what());
        return 1;
    }
}
