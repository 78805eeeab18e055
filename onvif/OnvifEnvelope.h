#pragma once

#include "OnvifXmlElement.h"

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QVector>

#include <functional>

class QXmlStreamWriter;

// A SOAP 1.2 envelope read from untrusted bytes, and the writer of the ones we
// send. Reading is bounded (size, depth, element count, text length) and refuses
// document type declarations and entity references outright: what is not a
// plain, small SOAP 1.2 envelope is an error, never a crash or a long parse.
class OnvifEnvelope
{
public:
    enum class Error {
        None,
        TooLarge,      // more bytes or elements than allowed
        Malformed,     // not well-formed XML (truncated included)
        Hostile,       // DTD or entity reference
        TooDeep,
        FieldTooLong,
        NotSoap,       // root is not a SOAP 1.2 Envelope
        NoBody
    };

    struct Limits
    {
        qsizetype maxBytes = 64 * 1024;
        int maxDepth = 32;
        int maxElements = 4000;
        int maxTextChars = 8 * 1024;
        int maxAttributes = 32; // and as many namespace declarations
    };

    struct Fault
    {
        QString code;    // e.g. env:Sender
        QString subcode; // e.g. ter:NotAuthorized
        QString reason;
    };

    using Declarations = QVector<QPair<QString, QString>>; // prefix, namespace
    using Writer = std::function<void(QXmlStreamWriter&)>;

    [[nodiscard]] static OnvifEnvelope parse(const QByteArray& data, const Limits& limits);
    [[nodiscard]] static OnvifEnvelope parse(const QByteArray& data) { return parse(data, Limits{}); }
    // Writes an envelope with "s" bound to SOAP 1.2 plus the given prefixes, all
    // declared on the Envelope element so every prefix used is in scope.
    [[nodiscard]] static QByteArray build(const Declarations& declarations, const Writer& header, const Writer& body);

    [[nodiscard]] bool isValid() const { return m_error == Error::None; }
    [[nodiscard]] Error error() const { return m_error; }
    [[nodiscard]] const OnvifXmlElement& header() const { return m_header; }
    [[nodiscard]] const OnvifXmlElement& body() const { return m_body; }
    [[nodiscard]] bool isFault() const { return m_bFault; }
    [[nodiscard]] const Fault& fault() const { return m_fault; }
    // "code / subcode: reason" as shown to a user.
    [[nodiscard]] QString faultText() const;

    [[nodiscard]] static QString errorName(Error error);

private:
    void readFault();

    Error m_error = Error::None;
    OnvifXmlElement m_header;
    OnvifXmlElement m_body;
    bool m_bFault = false;
    Fault m_fault;
};
