#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QByteArray;

// One record of a comma-separated document and the line it starts on
// (1-based; a quoted field may run over several lines).
struct CsvRecord
{
    int nLine = 0;
    QStringList fields;
};

// Reads comma-separated text after RFC 4180, as spreadsheets save it: UTF-8
// with or without a byte order mark, CRLF or LF line ends, quoted fields with
// doubled quotes. Where the first line holds semicolons but no comma, the
// semicolon separates fields (spreadsheets in locales with a decimal comma).
// Blank lines and lines of empty fields are skipped.
class CCsvReader
{
public:
    // False, with a message naming the line, when the text is not UTF-8 or a
    // quote is out of place.
    bool Parse(const QByteArray& bytes);

    const QList<CsvRecord>& Records() const { return m_records; }
    const QString& Error() const { return m_strError; }

private:
    bool ParseText(const QString& text);
    bool Fail(int line, const QString& message);
    void EndRecord(QStringList& fields, int line);

    QList<CsvRecord> m_records;
    QString m_strError;
};
