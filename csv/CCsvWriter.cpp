#include "CCsvWriter.h"

#include <QByteArray>

namespace {

bool NeedsQuotes(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    // Blanks at either end survive a reader that trims unquoted fields.
    return text.front().isSpace() || text.back().isSpace();
}

// A spreadsheet reads "=", "+", "-" and "@" as the start of a formula; some
// skip a leading tab or carriage return and read what follows as one too.
bool LooksLikeFormula(const QString& text)
{
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    return first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' || first == u'\r';
}

} // namespace

CCsvWriter::CCsvWriter(Options options)
    : m_options(options)
{
}

QString CCsvWriter::Neutralised(const QString& text, Options options)
{
    if (options.testFlag(NeutraliseFormulas) && LooksLikeFormula(text))
        return QLatin1Char('\'') + text;
    return text;
}

QString CCsvWriter::Field(const QString& text) const
{
    const QString value = Neutralised(text, m_options);
    if (!NeedsQuotes(value))
        return value;
    QString quoted = value;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CCsvWriter::Record(const QStringList& fields) const
{
    QStringList written;
    written.reserve(fields.size());
    for (const QString& field : fields)
        written.append(Field(field));
    return written.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

void CCsvWriter::AddRecord(const QStringList& fields)
{
    m_strText += Record(fields);
}

QByteArray CCsvWriter::Document() const
{
    QByteArray bytes;
    if (m_options.testFlag(ByteOrderMark))
        bytes = QByteArrayLiteral("\xEF\xBB\xBF");
    return bytes + m_strText.toUtf8();
}

QString CCsvWriter::TabSeparated(const QList<QStringList>& rows, Options options)
{
    QString text;
    for (const QStringList& row : rows) {
        QStringList cells;
        cells.reserve(row.size());
        for (QString cell : row) {
            for (QChar& c : cell) {
                if (c == u'\t' || c == u'\r' || c == u'\n')
                    c = u' ';
            }
            cells.append(Neutralised(cell, options));
        }
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}
