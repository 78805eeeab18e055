#include "CCsvReader.h"
#include "CCsvWriter.h"

#include <QtTest>

// Comma-separated text as the device list export writes it and as site plans
// are read.
class TestCsv : public QObject
{
    Q_OBJECT
private slots:
    void quotesFields_data();
    void quotesFields();
    void writesRecordsAndDocument();
    void neutralisesFormulas_data();
    void neutralisesFormulas();
    void tabSeparatedKeepsOneLinePerRow();
    void readsBackWhatItWrites();
    void readsSpreadsheetFiles_data();
    void readsSpreadsheetFiles();
    void refusesMisplacedQuotes_data();
    void refusesMisplacedQuotes();
};

void TestCsv::quotesFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << QStringLiteral("K-VNT1C") << QStringLiteral("K-VNT1C");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("comma") << QStringLiteral("a,b") << QStringLiteral("\"a,b\"");
    QTest::newRow("quote") << QStringLiteral("say \"hi\"") << QStringLiteral("\"say \"\"hi\"\"\"");
    QTest::newRow("line feed") << QStringLiteral("one\ntwo") << QStringLiteral("\"one\ntwo\"");
    QTest::newRow("carriage return") << QStringLiteral("one\rtwo") << QStringLiteral("\"one\rtwo\"");
    QTest::newRow("leading blank") << QStringLiteral(" x") << QStringLiteral("\" x\"");
    QTest::newRow("trailing blank") << QStringLiteral("x ") << QStringLiteral("\"x \"");
    QTest::newRow("only a quote") << QStringLiteral("\"") << QStringLiteral("\"\"\"\"");
    QTest::newRow("non-ASCII") << QStringLiteral("设备") << QStringLiteral("设备");
}

void TestCsv::quotesFields()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(CCsvWriter().Field(text), field);
}

void TestCsv::writesRecordsAndDocument()
{
    CCsvWriter plain;
    plain.AddRecord({ QStringLiteral("ID"), QStringLiteral("设备类型") });
    plain.AddRecord({ QStringLiteral("001"), QStringLiteral("a,b") });
    QCOMPARE(plain.Document(), QByteArray("ID,\xE8\xAE\xBE\xE5\xA4\x87\xE7\xB1\xBB\xE5\x9E\x8B\r\n001,\"a,b\"\r\n"));

    CCsvWriter marked(CCsvWriter::ByteOrderMark);
    marked.AddRecord({ QStringLiteral("x") });
    QCOMPARE(marked.Document(), QByteArray("\xEF\xBB\xBFx\r\n"));
}

void TestCsv::neutralisesFormulas_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("equals") << QStringLiteral("=HYPERLINK(\"x\")") << QStringLiteral("\"'=HYPERLINK(\"\"x\"\")\"");
    QTest::newRow("plus") << QStringLiteral("+1") << QStringLiteral("'+1");
    QTest::newRow("minus") << QStringLiteral("-1") << QStringLiteral("'-1");
    QTest::newRow("at") << QStringLiteral("@SUM(A1)") << QStringLiteral("'@SUM(A1)");
    QTest::newRow("tab") << QStringLiteral("\t=1+1") << QStringLiteral("'\t=1+1");
    QTest::newRow("carriage return") << QStringLiteral("\r=1+1") << QStringLiteral("\"'\r=1+1\"");
    QTest::newRow("address") << QStringLiteral("192.168.1.64") << QStringLiteral("192.168.1.64");
    QTest::newRow("inside") << QStringLiteral("K-VNT1C") << QStringLiteral("K-VNT1C");
}

void TestCsv::neutralisesFormulas()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(CCsvWriter(CCsvWriter::NeutraliseFormulas).Field(text), field);
    // Without the option the text is written as it is.
    CCsvReader reader;
    QVERIFY(reader.Parse(CCsvWriter().Record({ text }).toUtf8()));
    QCOMPARE(reader.Records().front().fields, QStringList { text });
}

void TestCsv::tabSeparatedKeepsOneLinePerRow()
{
    const QList<QStringList> rows = {
        { QStringLiteral("ID"), QStringLiteral("Serial Number") },
        { QStringLiteral("001"), QStringLiteral("a\tb\nc\r") },
        { QStringLiteral("002"), QStringLiteral("=1+1") },
    };
    QCOMPARE(CCsvWriter::TabSeparated(rows), QStringLiteral("ID\tSerial Number\n001\ta b c \n002\t=1+1\n"));
    QCOMPARE(CCsvWriter::TabSeparated(rows, CCsvWriter::NeutraliseFormulas).split(u'\n').at(2),
             QStringLiteral("002\t'=1+1"));
}

void TestCsv::readsBackWhatItWrites()
{
    const QList<QStringList> table = {
        { QStringLiteral("serial"), QStringLiteral("note") },
        { QStringLiteral("TL1"), QStringLiteral("two\r\nlines, and \"quotes\"") },
        { QStringLiteral("TL2"), QString() },
        { QStringLiteral("TL3"), QStringLiteral(" padded ") },
    };
    CCsvWriter writer;
    for (const QStringList& row : table)
        writer.AddRecord(row);
    CCsvReader reader;
    QVERIFY2(reader.Parse(writer.Document()), qPrintable(reader.Error()));
    QCOMPARE(reader.Records().size(), table.size());
    for (int i = 0; i < table.size(); ++i)
        QCOMPARE(reader.Records()[i].fields, table[i]);
    // The record after the field with a line break starts one line later.
    QCOMPARE(reader.Records()[2].nLine, 4);
    QCOMPARE(reader.Records()[3].nLine, 5);
}

void TestCsv::readsSpreadsheetFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<int>>("lines");
    QTest::addColumn<QStringList>("secondRecord");
    QTest::newRow("byte order mark and CRLF")
        << QByteArray("\xEF\xBB\xBFserial,ip\r\nTL1,10.0.0.1\r\n") << QList<int> { 1, 2 }
        << QStringList { QStringLiteral("TL1"), QStringLiteral("10.0.0.1") };
    QTest::newRow("semicolons") << QByteArray("serial;ip\nTL1;10.0.0.1\n") << QList<int> { 1, 2 }
                                << QStringList { QStringLiteral("TL1"), QStringLiteral("10.0.0.1") };
    QTest::newRow("blank and empty rows skipped") << QByteArray("serial,ip\n\n,\n  \nTL1,10.0.0.1") << QList<int> { 1, 5 }
                                                  << QStringList { QStringLiteral("TL1"), QStringLiteral("10.0.0.1") };
    QTest::newRow("quoted comma in a semicolon file") << QByteArray("serial;ip\n\"TL;1\";10.0.0.1\n") << QList<int> { 1, 2 }
                                                      << QStringList { QStringLiteral("TL;1"), QStringLiteral("10.0.0.1") };
}

void TestCsv::readsSpreadsheetFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, lines);
    QFETCH(QStringList, secondRecord);
    CCsvReader reader;
    QVERIFY2(reader.Parse(bytes), qPrintable(reader.Error()));
    QList<int> read;
    for (const CsvRecord& record : reader.Records())
        read.append(record.nLine);
    QCOMPARE(read, lines);
    QCOMPARE(reader.Records()[0].fields, (QStringList { QStringLiteral("serial"), QStringLiteral("ip") }));
    QCOMPARE(reader.Records()[1].fields, secondRecord);
}

void TestCsv::refusesMisplacedQuotes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    QTest::newRow("unclosed") << QByteArray("serial,ip\nTL1,\"10.0.0.1\nTL2,x\n")
                              << QStringLiteral("line 2: a quoted field is not closed");
    QTest::newRow("quote inside unquoted field") << QByteArray("serial,ip\nTL1,10\"0\n")
                                                 << QStringLiteral("line 2: a quote inside a field");
    QTest::newRow("text after closing quote") << QByteArray("a\n\"b\nc\"d,e\n")
                                              << QStringLiteral("line 3: text after the closing quote");
    QTest::newRow("not UTF-8") << QByteArray("serial,ip\nT\xE9L,1\n") << QStringLiteral("not UTF-8");
}

void TestCsv::refusesMisplacedQuotes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    CCsvReader reader;
    QVERIFY(!reader.Parse(bytes));
    QVERIFY2(reader.Error().contains(error), qPrintable(reader.Error()));
}

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
