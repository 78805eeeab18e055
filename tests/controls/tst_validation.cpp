// Address checks, text helpers and geometry helpers of the controls library.

#include "GeometryUtils.h"
#include "InputChecks.h"
#include "TextUtils.h"

#include <QEvent>
#include <QLocale>
#include <QRegion>
#include <QtTest>

#if defined(Q_OS_WIN)
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#endif

class TestValidation : public QObject
{
    Q_OBJECT
private slots:
    void ipv4_data();
    void ipv4();
    void gateway_data();
    void gateway();
    void subnetMask_data();
    void subnetMask();
    void ipv6_data();
    void ipv6();
    void checkIpByRegExp_data();
    void checkIpByRegExp();
    void multicast_data();
    void multicast();
    void mac_data();
    void mac();
    void fileName_data();
    void fileName();
    void dayOfMonth();
    void localConversionsRoundTrip();
    void doubleByteChars();
    void formatFileSize_data();
    void formatFileSize();
    void eventTypeName();
    void quoteText();
    void clampBottomTaskBar();
    void clampOtherTaskBarEdges_data();
    void clampOtherTaskBarEdges();
    void clampLetsPointPassToNeighbour();
    void clampWithoutScreens();
    void scaleKeepAspect();
    void rectOrderings();
    void roundedRegion();
};

static void AddCases(const QStringList& pass, const QStringList& fail)
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    for (const QString& text : pass)
        QTest::newRow(qPrintable(QStringLiteral("pass '%1'").arg(text))) << text << true;
    for (const QString& text : fail)
        QTest::newRow(qPrintable(QStringLiteral("fail '%1'").arg(text))) << text << false;
}

static QStringList L(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* text : texts)
        list << QString::fromUtf8(text);
    return list;
}

void TestValidation::ipv4_data()
{
    AddCases(L({ "192.168.1.1", "0.1.2.3", "01.02.03.04", "255.255.255.255", "010.0.0.1", "1.2.3.255" }),
             L({ "1.2.3.0", "1.2.3", "1.2.3.4.5", "1..2.3", "256.1.1.1", "-1.2.3.4", "", "+1.2.3.4",
                 " 1.2.3.4", "1.2.3.4 ", "1.2. 3.4", "0x1.2.3.4", "1.2.3.a", "99999999999.1.1.1",
                 "1.2.3.4.", ".1.2.3", "1.2.3.000", "\xef\xbc\x91.2.3.4" }));
}

void TestValidation::ipv4()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsValidIPv4(text), valid);
}

void TestValidation::gateway_data()
{
    AddCases(L({ "0.0.0.0", "0.0.0.1", "192.168.1.254" }),
             L({ "10.0.0.0", "0.0.0", "0.0.0.0.0", " 0.0.0.0", "00.0.0.0", "256.0.0.1", "" }));
}

void TestValidation::gateway()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsValidGateway(text), valid);
}

void TestValidation::subnetMask_data()
{
    AddCases(L({ "255.255.255.0", "255.255.255.254", "255.0.0.0", "0.0.0.0", "255.255.128.0", "128.0.0.0" }),
             L({ "255.255.255.255", "255.0.255.0", "255.255.255.00", " 255.255.255.0", "255.255.255.0 ",
                 "255.255.0", "255.255.255.1", "0.255.255.255", "255.254.255.0", "" }));
}

void TestValidation::subnetMask()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsValidSubnetMask(text), valid);
}

void TestValidation::ipv6_data()
{
    AddCases(L({ "::", "::1", "fe80::1%3", "1:2:3:4:5:6:7:8", "::ffff:10.1.2.3", "1:2:3:4:5:6:1.2.3.4",
                 "FE80::ABCD", "fe80::1%eth0", "1::", "0000:0000::ffff", "fe80::1%" }),
             L({ "1:2:3:4:5:6:7", "1::2::3", "1:::2", ":1:2:3:4:5:6:7", "12345::1", "1.2.3.4", "::1.2.3.0",
                 "1:2:3:4:5:6:7::", "1:2:3:4:5:6:7:", ":", "", "%1", "::g", "::0x1", ":: 1", "::+1",
                 "::1.2.3.4:1", "1:2:3:4:5:6:7:8:9", "::ffff:256.1.1.1", "a::b%1%2" }));
}

void TestValidation::ipv6()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsValidIPv6(text), valid);
}

void TestValidation::checkIpByRegExp_data()
{
    AddCases(L({ "192.168.1.1", "0.0.0.1", "255.255.255.255", "001.2.3.4" }),
             L({ "1.2.3.0", "256.1.1.1", "1.2.3", "1.2.3.4.5", "1..2.3", "a.1.1.1", " 1.1.1.1", "-1.1.1.1",
                 "99999999999.1.1.1", "1.1.1.99999999999", "" }));
}

void TestValidation::checkIpByRegExp()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(CheckIPByRegExp(text), valid);
}

void TestValidation::multicast_data()
{
    AddCases(L({ "224.0.0.1", "239.255.255.255", "230.1.2.3xyz", "224.0.0.0" }),
             L({ "223.255.255.255", "240.0.0.1", "224.0.0.256", " 224.0.0.1", "x224.0.0.1",
                 "224.99999999999.0.1", "224.0.0" }));
}

void TestValidation::multicast()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsMulticastIP(text), valid);
}

void TestValidation::mac_data()
{
    AddCases(L({ "00:1a:2B:3c:4D:5e", "FF:FF:FF:FF:FF:FF" }),
             L({ "00-1a-2b-3c-4d-5e", "00:1a:2b:3c:4d", "00:1a:2b:3c:4d:5e:6f", "0g:1a:2b:3c:4d:5e",
                 " 00:1a:2b:3c:4d:5e", "001a2b3c4d5e", "" }));
}

void TestValidation::mac()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsValidMAC(text), valid);
}

void TestValidation::fileName_data()
{
    AddCases(L({ "", "report.txt", "name with spaces", "\xe6\x8a\xa5\xe5\x91\x8a.pdf" }),
             L({ "it's", "a\\b", "a/b", "c:", "*.txt", "what?", "\"q\"", "<a>", "a|b" }));
}

void TestValidation::fileName()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsValidFileName(text), valid);
}

void TestValidation::dayOfMonth()
{
    QVERIFY(IsValidDayOfMonth(2, 29));
    QVERIFY(!IsValidDayOfMonth(2, 30));
    QVERIFY(!IsValidDayOfMonth(2, 31));
    for (int month : { 4, 6, 9, 11 }) {
        QVERIFY(IsValidDayOfMonth(month, 30));
        QVERIFY(!IsValidDayOfMonth(month, 31));
    }
    for (int month : { 1, 3, 5, 7, 8, 10, 12 })
        QVERIFY(IsValidDayOfMonth(month, 31));
    // No range check of either number.
    QVERIFY(IsValidDayOfMonth(13, 40));
}

void TestValidation::localConversionsRoundTrip()
{
    QString text = QString::fromUtf8("Kamera \xe6\x91\x84\xe5\x83\x8f\xe6\x9c\xba");
#if defined(Q_OS_WIN)
    // Windows' 8-bit encoding is the system's code page: Chinese only where it
    // is the Chinese one or UTF-8, a Western one has nothing but ASCII in common.
    if (GetACP() != 936 && GetACP() != CP_UTF8)
        text = QStringLiteral("Kamera 1");
#endif
    const QByteArray local = UnicodeToLocal(text);
    QCOMPARE(LocalToUnicode(local.constData()), text);
    QCOMPARE(UnicodeToStdString(text, true), local.toStdString());
    QCOMPARE(LocalToUnicode(nullptr), QString());
}

void TestValidation::doubleByteChars()
{
    QVERIFY(ContainsDoubleByteChar("ab\xb0\xa1"));
    QVERIFY(ContainsDoubleByteChar("\x81\x40"));
    QVERIFY(!ContainsDoubleByteChar("plain ascii"));
    QVERIFY(!ContainsDoubleByteChar("\x80\x40"));
    QVERIFY(!ContainsDoubleByteChar("\x81\x3f"));
    QVERIFY(!ContainsDoubleByteChar("\xff\x40"));
    // The last byte has no successor.
    QVERIFY(!ContainsDoubleByteChar("abc\xb0"));
    QVERIFY(!ContainsDoubleByteChar(""));
    QVERIFY(!ContainsDoubleByteChar(nullptr));
}

void TestValidation::formatFileSize_data()
{
    const QLocale locale;
    QTest::addColumn<quint64>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0") << quint64(0) << QStringLiteral("0");
    QTest::newRow("1023") << quint64(1023) << QStringLiteral("1023");
    QTest::newRow("1024") << quint64(1024) << QStringLiteral("1 KB");
    QTest::newRow("1535 truncates") << quint64(1535) << QStringLiteral("1 KB");
    QTest::newRow("1048575") << quint64(1048575) << locale.toString(1023) + QStringLiteral(" KB");
    QTest::newRow("1048576") << quint64(1048576) << locale.toString(1.0, 'f', 1) + QStringLiteral(" MB");
    QTest::newRow("1.5 MB") << quint64(1572864) << locale.toString(1.5, 'f', 1) + QStringLiteral(" MB");
    QTest::newRow("2^30-1") << (quint64(1) << 30) - 1 << locale.toString(1024.0, 'f', 1) + QStringLiteral(" MB");
    QTest::newRow("2^30") << (quint64(1) << 30) << locale.toString(1.0, 'f', 2) + QStringLiteral(" GB");
    QTest::newRow("2^40") << (quint64(1) << 40) << locale.toString(1.0, 'f', 3) + QStringLiteral(" TB");
    QTest::newRow("max") << ~quint64(0) << locale.toString(16777216.0, 'f', 3) + QStringLiteral(" TB");
}

void TestValidation::formatFileSize()
{
    QFETCH(quint64, bytes);
    QFETCH(QString, expected);
    QCOMPARE(FormatFileSize(bytes), expected);
}

void TestValidation::eventTypeName()
{
    QCOMPARE(EventTypeName(1), QStringLiteral("1"));
    QCOMPARE(EventTypeName(129), QStringLiteral("HoverMove"));
    QCOMPARE(EventTypeName(QEvent::None), QStringLiteral("None"));
    QCOMPARE(EventTypeName(QEvent::MouseButtonDblClick), QStringLiteral("MouseButtonDblClick"));
    QCOMPARE(EventTypeName(QEvent::WindowDeactivate), QStringLiteral("WindowDeactivate"));
    QCOMPARE(EventTypeName(QEvent::Wheel), QStringLiteral("Wheel"));
    QCOMPARE(EventTypeName(QEvent::HoverEnter), QStringLiteral("HoverEnter"));
    QCOMPARE(EventTypeName(15), QStringLiteral("15"));
    QCOMPARE(EventTypeName(-3), QStringLiteral("-3"));
}

void TestValidation::quoteText()
{
    QCOMPARE(QuoteText(QStringLiteral("abc")), QStringLiteral("\"abc\""));
    QCOMPARE(QuoteText(QStringLiteral("a&quot;b")), QStringLiteral("\"a\"b\""));
}

// One 1920 x 1080 screen whose bottom 40 rows are the task bar.
static QList<ScreenArea> BottomTaskBar()
{
    return { { QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040) } };
}

void TestValidation::clampBottomTaskBar()
{
    const QList<ScreenArea> screens = BottomTaskBar();
    QCOMPARE(ClampToWorkArea(QPoint(500, 300), screens), QPoint(500, 300));
    QCOMPARE(ClampToWorkArea(QPoint(500, 1039), screens), QPoint(500, 1039));
    QCOMPARE(ClampToWorkArea(QPoint(500, 1040), screens), QPoint(500, 1039));
    QCOMPARE(ClampToWorkArea(QPoint(7, 1079), screens), QPoint(7, 1039));
}

void TestValidation::clampOtherTaskBarEdges_data()
{
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("cursor");
    QTest::addColumn<QPoint>("expected");
    const QRect right(0, 0, 1860, 1080);
    const QRect left(60, 0, 1860, 1080);
    const QRect top(0, 40, 1920, 1040);
    QTest::newRow("right") << right << QPoint(1900, 500) << QPoint(1859, 500);
    QTest::newRow("left") << left << QPoint(10, 500) << QPoint(60, 500);
    QTest::newRow("top") << top << QPoint(800, 5) << QPoint(800, 40);
}

void TestValidation::clampOtherTaskBarEdges()
{
    QFETCH(QRect, available);
    QFETCH(QPoint, cursor);
    QFETCH(QPoint, expected);
    const QList<ScreenArea> screens { { QRect(0, 0, 1920, 1080), available } };
    QCOMPARE(ClampToWorkArea(cursor, screens), expected);
}

void TestValidation::clampLetsPointPassToNeighbour()
{
    // A second screen below the first: the bottom task bar may be crossed.
    QList<ScreenArea> screens = BottomTaskBar();
    screens.append({ QRect(0, 1080, 1920, 1080), QRect(0, 1080, 1920, 1080) });
    QCOMPARE(ClampToWorkArea(QPoint(500, 1060), screens), QPoint(500, 1060));
    // A screen to the right does not help a bottom task bar.
    QList<ScreenArea> sideBySide = BottomTaskBar();
    sideBySide.append({ QRect(1920, 0, 1920, 1080), QRect(1920, 0, 1920, 1040) });
    QCOMPARE(ClampToWorkArea(QPoint(500, 1060), sideBySide), QPoint(500, 1039));
}

void TestValidation::clampWithoutScreens()
{
    QCOMPARE(ClampToWorkArea(QPoint(-5, 99999), QList<ScreenArea>()), QPoint(-5, 99999));
}

void TestValidation::scaleKeepAspect()
{
    int w = 0;
    int h = 0;
    QCOMPARE(ScaleKeepAspect(1600, 900, 800, 800, &w, &h), 450);
    QCOMPARE(QSize(w, h), QSize(800, 450));
    QCOMPARE(ScaleKeepAspect(900, 1600, 800, 800, &w, &h), 800);
    QCOMPARE(QSize(w, h), QSize(450, 800));
    QCOMPARE(ScaleKeepAspect(0, 10, 320, 240, &w, &h), 240);
    QCOMPARE(QSize(w, h), QSize(320, 240));
    // Products beyond the int range stay correct.
    QCOMPARE(ScaleKeepAspect(100000, 50000, 60000, 60000, &w, &h), 30000);
    QCOMPARE(QSize(w, h), QSize(60000, 30000));
    QCOMPARE(ScaleKeepAspect(4, 3, 8, 8, nullptr, nullptr), 6);
}

void TestValidation::rectOrderings()
{
    const QRect a(1, 9, 5, 5);
    const QRect b(2, 3, 5, 5);
    QVERIFY(LessByX(a, b));
    QVERIFY(!LessByX(b, a));
    QVERIFY(LessByY(b, a));
    QVERIFY(!LessByY(a, a));
}

void TestValidation::roundedRegion()
{
    const QRect r(0, 0, 40, 30);
    const QRegion region = RoundedRegion(r, 2);
    QVERIFY(!region.contains(QPoint(0, 0)));
    QVERIFY(!region.contains(QPoint(39, 29)));
    QVERIFY(region.contains(QPoint(2, 0)));
    QVERIFY(region.contains(QPoint(0, 2)));
    QVERIFY(region.contains(QPoint(20, 15)));
    QVERIFY(region.contains(QPoint(39, 15)));
    QVERIFY(!region.contains(QPoint(40, 15)));
}

QTEST_GUILESS_MAIN(TestValidation)
#include "tst_validation.moc"
