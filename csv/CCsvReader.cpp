#include "CCsvReader.h"

#include <QByteArray>
#include <QStringDecoder>

namespace {

QChar DetectSeparator(const QString& text)
{
    const qsizetype end = text.indexOf(u'\n');
    const QString firstLine = end < 0 ? text : text.left(end);
    if (!firstLine.contains(u',') && firstLine.contains(u';'))
        return u';';
    return u',';
}

} // namespace

bool CCsvReader::Fail(int line, const QString& message)
{
    m_strError = QStringLiteral("line %1: %2").arg(line).arg(message);
    return false;
}

void CCsvReader::EndRecord(QStringList& fields, int line)
{
    // Spreadsheets save rows left empty as a run of separators.
    bool blank = true;
    for (const QString& field : fields)
        blank = blank && field.trimmed().isEmpty();
    if (!blank)
        m_records.append(CsvRecord { line, fields });
    fields.clear();
}

bool CCsvReader::Parse(const QByteArray& bytes)
{
    m_records.clear();
    m_strError.clear();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        m_strError = QStringLiteral("the file is not UTF-8 text; save it as \"CSV UTF-8\"");
        return false;
    }
    return ParseText(text);
}

bool CCsvReader::ParseText(const QString& text)
{
    const QChar separator = DetectSeparator(text);
    QStringList fields;
    QString field;
    int line = 1;
    int recordLine = 1;
    bool quoted = false;     // inside a quoted field
    bool wasQuoted = false;  // the current field was quoted and has been closed
    int quoteLine = 1;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < size && text.at(i + 1) == u'"') {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                    wasQuoted = true;
                }
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == separator) {
            fields.append(field);
            field.clear();
            wasQuoted = false;
        } else if (c == u'\r' && i + 1 < size && text.at(i + 1) == u'\n') {
            continue;
        } else if (c == u'\n') {
            fields.append(field);
            field.clear();
            wasQuoted = false;
            EndRecord(fields, recordLine);
            recordLine = ++line;
        } else if (c == u'"') {
            if (wasQuoted || !field.trimmed().isEmpty())
                return Fail(line, QStringLiteral("a quote inside a field that is not quoted; quote the whole field and double the quote"));
            field.clear();
            quoted = true;
            quoteLine = line;
        } else if (wasQuoted) {
            if (!c.isSpace())
                return Fail(line, QStringLiteral("text after the closing quote of a field"));
        } else {
            field += c;
        }
    }
    if (quoted)
        return Fail(quoteLine, QStringLiteral("a quoted field is not closed"));
    if (!field.isEmpty() || !fields.isEmpty()) {
        fields.append(field);
        EndRecord(fields, recordLine);
    }
    return true;
}
