// Modify with a hostile host beside the device: it sees every request, as it
// would when requests are broadcast, and answers before the device does with
// refusals it can make without knowing any secret.
#include "LumoTestSupport.h"
#include "PacketCodec.h"

#include <QTemporaryDir>
#include <QtTest>

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr const char* kPassword = "admin1234"; // of generated fleets

enum class Forgery { None, RefuseModify, LockChallenge };

// Listens on a port of its own, to which the library sends every request too
// (a second target), and answers each one with an untagged refusal.
class Forger
{
public:
    Forger(Forgery forgery, uint16_t nWaitSeconds) : m_forgery(forgery), m_nWaitSeconds(nWaitSeconds), m_socket(m_io)
    {
        m_socket.open(asio::ip::udp::v4(), m_error);
        if (!m_error)
            m_socket.bind({asio::ip::make_address_v4("127.0.0.1"), TestPorts::floorPort()}, m_error);
        if (!m_error)
            m_thread = std::thread([this] { run(); });
    }
    ~Forger()
    {
        m_bStop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    // Empty when the forger listens; otherwise why it could not.
    QString error() const { return m_error ? QString::fromStdString(m_error.message()) : QString(); }
    Forger(const Forger&) = delete;
    Forger& operator=(const Forger&) = delete;

    int forged() const { return m_nForged; }

private:
    void run()
    {
        std::vector<uint8_t> buffer(lumo::kReceiveBufferSize);
        while (!m_bStop) {
            if (m_socket.available() == 0) {
                std::this_thread::sleep_for(1ms);
                continue;
            }
            asio::ip::udp::endpoint from;
            const size_t nSize = m_socket.receive_from(asio::buffer(buffer), from);
            std::vector<uint8_t> answer = forge(buffer.data(), nSize);
            if (!answer.empty()) {
                m_socket.send_to(asio::buffer(answer), from);
                ++m_nForged;
            }
        }
    }

    std::vector<uint8_t> forge(const uint8_t* pData, size_t nSize) const
    {
        lumo::Header header;
        if (lumo::PacketCodec::decodeHeader(pData, nSize, &header) != lumo::DecodeError::None)
            return {};
        lumo::ResultMessage result;
        if (m_forgery == Forgery::LockChallenge && header.type == lumo::MessageType::ChallengeRequest) {
            lumo::ChallengeRequestMessage request;
            if (lumo::PacketCodec::decodeChallengeRequest(pData, nSize, &request) != lumo::DecodeError::None)
                return {};
            result.purpose = request.purpose;
            result.mac = request.mac;
            result.clientNonce = request.clientNonce;
            result.status = lumo::ResultStatus::Locked;
            result.waitSeconds = m_nWaitSeconds;
        } else if (m_forgery == Forgery::RefuseModify && header.type == lumo::MessageType::Modify) {
            lumo::ModifyMessage request;
            if (lumo::PacketCodec::decodeModify(pData, nSize, &request) != lumo::DecodeError::None)
                return {};
            result.purpose = lumo::Purpose::Modify;
            result.mac = request.mac;
            result.clientNonce = request.clientNonce;
            result.deviceNonce = request.deviceNonce;
            result.status = lumo::ResultStatus::AuthFailed;
            std::copy(pData + nSize - lumo::kTagSize, pData + nSize, result.requestTag.begin());
        } else {
            return {};
        }
        // A refusal carries an all-zero tag; the forger needs no key to make one.
        std::vector<uint8_t> packet = lumo::PacketCodec::encodeResult(header.transactionId, result, lumo::Key{});
        std::fill(packet.end() - long(lumo::kTagSize), packet.end(), 0);
        return packet;
    }

    const Forgery m_forgery;
    const uint16_t m_nWaitSeconds;
    asio::io_context m_io;
    asio::ip::udp::socket m_socket;
    std::error_code m_error;
    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_nForged{0};
    std::thread m_thread;
};

} // namespace

class TestLumoForged : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void forgedRefusalsDoNotHideTheDevicesAnswer_data();
    void forgedRefusalsDoNotHideTheDevicesAnswer();
    void forgedLockoutIsBelievedOnlyUpToTheLongestThereIs();

private:
    QTemporaryDir m_tempDir;
};

void TestLumoForged::initTestCase()
{
    QVERIFY(QFile::exists(DevsimProcess::executable()));
    QVERIFY(m_tempDir.isValid());
}

void TestLumoForged::init()
{
    TestPorts::moveToFreshPorts();
    qputenv("LUMO_TARGETS", "127.0.0.1,127.0.0.1:" + QByteArray::number(TestPorts::floorPort()));
    qputenv("LUMO_COMMAND_TIMEOUT_MS", "2500");
}

void TestLumoForged::cleanup()
{
    LUMO_Stop();
    qunsetenv("LUMO_COMMAND_TIMEOUT_MS");
}

void TestLumoForged::forgedRefusalsDoNotHideTheDevicesAnswer_data()
{
    QTest::addColumn<int>("forgery");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<int>("expectedResult");
    QTest::addColumn<unsigned>("expectedReason");
    QTest::addColumn<bool>("changed");
    QTest::newRow("refused modify, right password") << int(Forgery::RefuseModify) << QByteArray(kPassword) << 1 << 0u << true;
    QTest::newRow("locked challenge, right password") << int(Forgery::LockChallenge) << QByteArray(kPassword) << 1 << 0u << true;
    QTest::newRow("locked challenge, wrong password")
        << int(Forgery::LockChallenge) << QByteArray("wrong") << 0 << unsigned(LUMO_ERROR_AUTH_FAILED) << false;
}

void TestLumoForged::forgedRefusalsDoNotHideTheDevicesAnswer()
{
    QFETCH(int, forgery);
    QFETCH(QByteArray, password);
    QFETCH(int, expectedResult);
    QFETCH(unsigned, expectedReason);
    QFETCH(bool, changed);
    const QString strState = m_tempDir.filePath(QStringLiteral("forged.json"));
    QFile::remove(strState);
    DevsimProcess devsim;
    QVERIFY(devsim.start({QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--state"), strState}));
    Forger forger(Forgery(forgery), 65535);
    QVERIFY2(forger.error().isEmpty(), qPrintable(forger.error()));
    ReportCollector::instance().clear();
    QCOMPARE(LUMO_Start_V30(&ReportCollector::callback, 0, nullptr), 1);
    QVERIFY(ReportCollector::instance().waitForEvent(LUMO_EVENT_ONLINE, serialOf(1), 10s));

    const LUMO_NET_PARAM_BLOCK block = makeParamBlock("10.20.44.1", "255.255.0.0", "10.20.0.1", 8000);
    const int nResult = LUMO_ModifyDeviceNetParam(macOf(1).c_str(), password.constData(), &block);
    const unsigned nError = LUMO_GetLastError();
    // The forger answers at once, the device only after its key derivation; the
    // count may still be catching up when the call has returned.
    QVERIFY2(QTest::qWaitFor([&] { return forger.forged() > 0; }, 5000), "the forger saw no request to answer");
    QCOMPARE(nResult, expectedResult);
    if (expectedResult == 0)
        QCOMPARE(unsigned(LUMO_ERROR_REASON(nError)), expectedReason);
    QCOMPARE(addressInState(strState, serialOf(1)) == QStringLiteral("10.20.44.1"), changed);
}

void TestLumoForged::forgedLockoutIsBelievedOnlyUpToTheLongestThereIs()
{
    // No device has this MAC: the forged lockout is the only answer.
    Forger forger(Forgery::LockChallenge, 65535);
    QVERIFY2(forger.error().isEmpty(), qPrintable(forger.error()));
    QCOMPARE(LUMO_Start_V30(&ReportCollector::callback, 0, nullptr), 1);
    const LUMO_NET_PARAM_BLOCK block = makeParamBlock("10.20.44.2", "255.255.0.0", "10.20.0.1", 8000);
    QCOMPARE(LUMO_ModifyDeviceNetParam("02:4C:55:EE:EE:01", kPassword, &block), 0);
    const unsigned nError = LUMO_GetLastError();
    QCOMPARE(unsigned(LUMO_ERROR_REASON(nError)), unsigned(LUMO_ERROR_LOCKED));
    QCOMPARE(unsigned(LUMO_ERROR_SECONDS(nError)), 1800u);
}

QTEST_GUILESS_MAIN(TestLumoForged)
#include "tst_lumo_forged.moc"
