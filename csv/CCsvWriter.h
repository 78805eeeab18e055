#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QByteArray;

// Writes tables as comma-separated text after RFC 4180: records end in CRLF,
// a field holding a comma, a quote, a line break or surrounding blanks is
// quoted, and quotes inside it are doubled. The text is UTF-8.
class CCsvWriter
{
public:
    enum Option {
        NoOptions = 0x0,
        // Starts the document with a UTF-8 byte order mark, so that spreadsheet
        // programs do not read non-ASCII text (translated headers) as a local code page.
        ByteOrderMark = 0x1,
        // Prefixes a field that a spreadsheet would run as a formula (one that
        // starts with "=", "+", "-", "@", a tab or a carriage return) with an apostrophe. Device texts come from the network and
        // must not be able to run anything where the list is opened.
        NeutraliseFormulas = 0x2,
    };
    Q_DECLARE_FLAGS(Options, Option)

    explicit CCsvWriter(Options options = NoOptions);

    void AddRecord(const QStringList& fields);
    // The document written so far, as UTF-8 bytes.
    QByteArray Document() const;

    QString Field(const QString& text) const;
    QString Record(const QStringList& fields) const;

    // Tab-separated rows for pasting into a spreadsheet: tabs and line breaks
    // inside a field become blanks, rows end in a line feed.
    static QString TabSeparated(const QList<QStringList>& rows, Options options = NoOptions);

private:
    static QString Neutralised(const QString& text, Options options);

    Options m_options;
    QString m_strText;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(CCsvWriter::Options)
