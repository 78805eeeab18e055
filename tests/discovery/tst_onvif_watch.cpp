// The ONVIF watch against the simulator's cameras on the loopback: cameras
// reported from the watch's thread, read once a password is given, and lost
// when they fall silent without a Bye.
#include "COnvifWatch.h"
#include "OnvifDevsimProcess.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestOnvifWatch : public QObject
{
    Q_OBJECT

private slots:
    void silentCamerasAreLostAndReadOnesFillIn()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const quint16 discoveryPort = OnvifDevsimProcess::freePort();
        const quint16 httpPort = OnvifDevsimProcess::freePort(1);
        const quint16 devicePort = OnvifDevsimProcess::freePort(1);
        QVERIFY(discoveryPort && httpPort && devicePort);
        OnvifDevsimProcess simulator;
        QVERIFY(simulator.start(OnvifDevsimProcess::executable(),
                                { QStringLiteral("--bind"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                                  QString::number(devicePort), QStringLiteral("--client-port"),
                                  QString::number(devicePort + 1), QStringLiteral("--count"), QStringLiteral("1"),
                                  QStringLiteral("--onvif-count"), QStringLiteral("2"), QStringLiteral("--onvif-port"),
                                  QString::number(discoveryPort), QStringLiteral("--onvif-http-port"),
                                  QString::number(httpPort), QStringLiteral("--state"),
                                  dir.filePath(QStringLiteral("state.json")), QStringLiteral("--stop-on-input-end") }));

        COnvifWatch watch;
        QSignalSpy seen(&watch, &COnvifWatch::DeviceSeen);
        QSignalSpy lost(&watch, &COnvifWatch::DeviceLost);
        OnvifDiscoverySettings settings = OnvifDiscoverySettings::fromText(
            QStringLiteral("none"), QStringLiteral("127.0.0.1:%1").arg(discoveryPort), true);
        settings.nListenPort = discoveryPort;
        QVERIFY(watch.Start(settings));
        watch.SetLiveness(300, 1500);

        // Anonymous reads are refused; with the password each camera is read.
        QTRY_VERIFY_WITH_TIMEOUT(seen.size() >= 2, 10000);
        watch.SetCredentials(QStringLiteral("admin"), QStringLiteral("admin1234"));
        QSet<QString> read;
        QTRY_VERIFY_WITH_TIMEOUT(([&] {
            for (const QList<QVariant>& signal : std::as_const(seen)) {
                const auto record = signal.first().value<OnvifDeviceRecord>();
                if (record.state == OnvifDeviceRecord::State::Read && !record.mac.isEmpty())
                    read.insert(record.endpoint);
            }
            return read.size() == 2;
        }()), 15000);
        QVERIFY(lost.isEmpty());

        // Killed, the cameras say no Bye: they are lost once silent long enough.
        simulator.kill();
        QTRY_COMPARE_WITH_TIMEOUT(lost.size(), 2, 10000);
        QSet<QString> gone;
        for (const QList<QVariant>& signal : std::as_const(lost))
            gone.insert(signal.first().toString());
        QCOMPARE(gone, read);
        watch.Stop();
        QVERIFY(!watch.IsRunning());
    }
};

QTEST_MAIN(TestOnvifWatch)
#include "tst_onvif_watch.moc"
