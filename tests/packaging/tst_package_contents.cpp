// What the program's packages put on a user's machine holds nothing that can
// issue or check a security code: not the issuing key (every 32-byte window of
// every file tried as the key, as an attacker would), not the code that derives
// reset secrets or computes codes, not the demo simulator or code tool. The
// scan itself is proved on lumo-seccode and lumo-devsim, which hold all of it.
#include "MakerCodeService.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QtTest>

#include <cstring>

using namespace lumo;

namespace {

const std::string kProbeSerial = "TL0000000001";

// Strings only the issuing code carries: the derivation of a device's reset
// secret from an issuing key, and the alphabet of the codes.
const QByteArray kDerivationMarker = QByteArrayLiteral("reset-secret|");
const QByteArray kCodeAlphabet = QByteArrayLiteral("23456789ABCDEFGHJKLMNPQRSTUVWXYZ");

// Offset of the first 32-byte window that, used as the issuing key, gives the
// probe device the reset secret the maker's service gives it; -1 if none does.
qsizetype issuingKeyOffset(const QByteArray& bytes)
{
    const ResetCode::Secret issued = MakerCodeService::resetSecretFor(kProbeSerial);
    const auto* pBytes = reinterpret_cast<const uint8_t*>(bytes.constData());
    for (qsizetype nAt = 0; nAt + 32 <= bytes.size(); ++nAt) {
        if (ResetCode::secretFor(pBytes + nAt, 32, kProbeSerial) == issued)
            return nAt;
    }
    return -1;
}

bool isDemoProgram(const QString& strName)
{
    return strName.startsWith(QLatin1String("lumo-devsim")) || strName.startsWith(QLatin1String("lumo-seccode"));
}

// What in one file could issue or check a code, one line per finding.
QStringList findingsIn(const QString& strPath, const QString& strShownPath)
{
    QStringList findings;
    if (isDemoProgram(QFileInfo(strPath).fileName()))
        findings << strShownPath + QStringLiteral(": the demo simulator or code tool");
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return findings << strShownPath + QStringLiteral(": cannot be read");
    const QByteArray bytes = file.readAll();
    if (bytes.contains(kDerivationMarker))
        findings << strShownPath + QStringLiteral(": derives reset secrets (links the issuing code)");
    if (bytes.contains(kCodeAlphabet))
        findings << strShownPath + QStringLiteral(": computes security codes (links the issuing code)");
    const qsizetype nKeyAt = issuingKeyOffset(bytes);
    if (nKeyAt >= 0)
        findings << strShownPath + QStringLiteral(": the issuing key at offset %1").arg(nKeyAt);
    return findings;
}

// Every regular file under the folder, by its path relative to it.
QStringList filesUnder(const QString& strFolder)
{
    QStringList files;
    QDirIterator it(strFolder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(strFolder).relativeFilePath(it.next());
    return files;
}

} // namespace

class TestPackageContents : public QObject
{
    Q_OBJECT

private slots:
    void installHoldsNoCodeIssuer_data();
    void installHoldsNoCodeIssuer();
    void scanFindsTheCodeIssuer_data();
    void scanFindsTheCodeIssuer();
};

void TestPackageContents::installHoldsNoCodeIssuer_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("required");
    // TALDOR_SCANNED_DIRS (separated by ':') scans other folders instead, such as an
    // unpacked package.
    const QString strScanned = qEnvironmentVariable("TALDOR_SCANNED_DIRS");
    if (!strScanned.isEmpty()) {
        for (const QString& strFolder : strScanned.split(QLatin1Char(':'), Qt::SkipEmptyParts))
            QTest::newRow(qPrintable(strFolder)) << strFolder << true;
        return;
    }
    QTest::newRow("program install (component utility)") << QStringLiteral(TALDOR_STAGED_INSTALL) << true;
    QTest::newRow("Windows program folder") << QStringLiteral(TALDOR_WINDOWS_PROGRAM_FOLDER) << false;
}

void TestPackageContents::installHoldsNoCodeIssuer()
{
    QFETCH(QString, folder);
    QFETCH(bool, required);
    if (!required && !QFileInfo::exists(folder))
        QSKIP(qPrintable(folder + QStringLiteral(" does not exist (scripts/build-windows.sh deploy makes it)")));
    const QStringList files = filesUnder(folder);
    QVERIFY2(files.contains(QStringLiteral("usr/lib/taldor-ip-utility/Setup.xml")) || files.contains(QStringLiteral("Setup.xml")),
             qPrintable(folder + QStringLiteral(" holds no program folder")));
    QStringList findings;
    for (const QString& strFile : files)
        findings << findingsIn(QDir(folder).filePath(strFile), strFile);
    QVERIFY2(findings.isEmpty(), qPrintable(folder + QStringLiteral(":\n  ") + findings.join(QStringLiteral("\n  "))));
}

void TestPackageContents::scanFindsTheCodeIssuer_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("lumo-seccode") << QStringLiteral(TALDOR_SECCODE_FILE);
    QTest::newRow("lumo-devsim") << QStringLiteral(TALDOR_DEVSIM_FILE);
}

void TestPackageContents::scanFindsTheCodeIssuer()
{
    QFETCH(QString, file);
    const QStringList findings = findingsIn(file, QFileInfo(file).fileName());
    for (const QString& strWhat : {QStringLiteral("the demo simulator or code tool"), QStringLiteral("derives reset secrets"),
                                  QStringLiteral("computes security codes"), QStringLiteral("the issuing key at offset")}) {
        QVERIFY2(!findings.filter(strWhat).isEmpty(), qPrintable(QStringLiteral("not found in %1: %2").arg(file, strWhat)));
    }
}

QTEST_GUILESS_MAIN(TestPackageContents)
#include "tst_package_contents.moc"
