// Every translatable text of the program has a finished Chinese translation
// in the built Taldor_zh.qm, with the same placeholders.

#include "AppPaths.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct Message
{
    QString context;
    QString source;
    QString translation;
    bool finished = true;
};

// The messages of a .ts file; lupdate writes every text of the code into it.
QList<Message> ReadTs(const QString& path)
{
    QList<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    QXmlStreamReader xml(&file);
    QString context;
    Message current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"source") {
            current = Message{context, xml.readElementText(), QString(), true};
        } else if (xml.name() == u"translation") {
            const QString type = xml.attributes().value(QStringLiteral("type")).toString();
            current.finished = type.isEmpty();
            current.translation = xml.readElementText();
            messages.append(current);
        }
    }
    return messages;
}

QSet<QString> Placeholders(const QString& text)
{
    QSet<QString> found;
    QRegularExpressionMatchIterator it = QRegularExpression(QStringLiteral("%\\d")).globalMatch(text);
    while (it.hasNext())
        found.insert(it.next().captured());
    return found;
}

// Texts that read the same in every language.
bool IsLanguageNeutral(const QString& source)
{
    static const QStringList neutral{QStringLiteral("ID"), QStringLiteral("ID:%1"), QStringLiteral("LUMO"),
                                     QStringLiteral(" v2.00.00.01"), QStringLiteral("IPv4 DHCP"),
                                     QStringLiteral("..."), QStringLiteral("(%1)"),
                                     // protocol names
                                     QStringLiteral("K-VNT"), QStringLiteral("ONVIF"), QStringLiteral("ONVIF (%1)")};
    return neutral.contains(source) || source.contains(QStringLiteral("url(")) || source.startsWith(u'<')
        || source.startsWith(QStringLiteral("color:"));
}

bool HasChinese(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    }
    return false;
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everyTextIsTranslated_data();
    void everyTextIsTranslated();
    void bothLanguagesHoldTheSameTexts();
    void qtsOwnTextsAreChineseToo();

private:
    QTranslator m_chinese;
};

void TestTranslations::initTestCase()
{
    QVERIFY(m_chinese.load(GetAppDirPath() + QStringLiteral("translations/Taldor_zh.qm")));
}

void TestTranslations::everyTextIsTranslated_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("finished");
    const QList<Message> messages = ReadTs(QStringLiteral(TRANSLATION_DIR "/Taldor_zh.ts"));
    QVERIFY(messages.size() > 50);
    for (const Message& m : messages)
        QTest::addRow("%s: %s", qPrintable(m.context), qPrintable(m.source.left(40))) << m.context << m.source
                                                                                       << m.finished;
}

void TestTranslations::everyTextIsTranslated()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(bool, finished);
    QVERIFY(finished);
    const QString chinese = m_chinese.translate(context.toUtf8().constData(), source.toUtf8().constData());
    QVERIFY2(!chinese.isEmpty(), "missing from the built translation");
    QCOMPARE(Placeholders(chinese), Placeholders(source));
    if (!IsLanguageNeutral(source))
        QVERIFY2(HasChinese(chinese), qPrintable(chinese));
}

void TestTranslations::bothLanguagesHoldTheSameTexts()
{
    auto keys = [](const QList<Message>& messages) {
        QStringList list;
        for (const Message& m : messages)
            list << m.context + u'|' + m.source;
        list.sort();
        return list;
    };
    const QList<Message> english = ReadTs(QStringLiteral(TRANSLATION_DIR "/Taldor_en.ts"));
    QCOMPARE(keys(english), keys(ReadTs(QStringLiteral(TRANSLATION_DIR "/Taldor_zh.ts"))));
    for (const Message& m : english)
        QVERIFY2(m.finished && !m.translation.isEmpty(), qPrintable(m.source));
}

// The progress box and the file dialog of the panel show Qt's own texts.
void TestTranslations::qtsOwnTextsAreChineseToo()
{
    QVERIFY(HasChinese(m_chinese.translate("QProgressDialog", "Cancel")));
    QVERIFY(HasChinese(m_chinese.translate("QFileDialog", "&Save")));
}

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
