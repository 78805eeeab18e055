// lumo-seccode SERIAL [YYYYMMDD]: prints the security code that restores the
// default password of the device with this serial number on that date (today by
// default), as the maker's service issues it, but with the demo issuing key:
// the codes restore the simulator's devices only. Installed with the demo
// package, never with the program.
#include "MakerCodeService.h"
#include "SecurityCode.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3 || std::string(argv[1]).empty()) {
        std::fprintf(stderr, "usage: lumo-seccode SERIAL [YYYYMMDD]\n"
                             "Issues a code with the demo issuing key, for simulated devices only.\n");
        return 2;
    }
    uint32_t nDate = lumo::SecurityCode::today();
    if (argc == 3) {
        const auto date = lumo::SecurityCode::parseDate(argv[2]);
        if (!date) {
            std::fprintf(stderr, "lumo-seccode: not a date (YYYYMMDD): %s\n", argv[2]);
            return 2;
        }
        nDate = *date;
    }
    std::printf("%s\n", lumo::MakerCodeService::issue(argv[1], nDate).c_str());
    return 0;
}
