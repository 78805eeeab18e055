// One ONVIF discovery round with our client, timed: prints how many cameras it
// listed and after how many milliseconds the last of them was listed (each is
// listed as soon as it answers), after how many the COMPARED-th was (to set
// beside a client that lists fewer), and when the round ended. Adapters and
// targets come from ONVIF_INTERFACES / ONVIF_TARGETS as in the program.
//
//   bench_onvif_discovery EXPECTED [COMPARED]
//
// Output: "found N last_ms T done_ms D compared_ms C" (C is -1 when fewer were found).
#include "OnvifDiscovery.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int nExpected = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 0;
    const int nCompared = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : nExpected;
    OnvifDiscovery discovery;
    QElapsedTimer clock;
    qint64 nLastMs = -1;
    qint64 nComparedMs = -1;
    int nFound = 0;
    QObject::connect(&discovery, &OnvifDiscovery::deviceFound, &app, [&](const OnvifDeviceRecord&) {
        ++nFound;
        nLastMs = clock.elapsed();
        if (nFound == nCompared)
            nComparedMs = nLastMs;
    });
    QObject::connect(&discovery, &OnvifDiscovery::probeFinished, &app, [&] {
        std::printf("found %d last_ms %lld done_ms %lld compared_ms %lld\n", nFound, static_cast<long long>(nLastMs),
                    static_cast<long long>(clock.elapsed()), static_cast<long long>(nComparedMs));
        app.exit(nExpected > 0 && nFound < nExpected ? 1 : 0);
    });
    if (!discovery.start()) {
        std::fprintf(stderr, "bench_onvif_discovery: no socket could be opened\n");
        return 2;
    }
    clock.start();
    discovery.probe();
    return app.exec();
}
