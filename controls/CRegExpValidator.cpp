#include "CRegExpValidator.h"

#include "TextUtils.h"

CRegExpValidator::CRegExpValidator(int nMaxBytes, QObject* parent)
    : QRegularExpressionValidator(parent)
    , m_nMaxBytes(nMaxBytes)
{
}

CRegExpValidator::CRegExpValidator(int nMaxBytes, const QRegularExpression& rx, QObject* parent)
    : QRegularExpressionValidator(rx, parent)
    , m_nMaxBytes(nMaxBytes)
{
}

QValidator::State CRegExpValidator::validate(QString& input, int& pos) const
{
    if (m_nMaxBytes >= 0 && UnicodeToLocal(input).size() > m_nMaxBytes)
        return Invalid;
    return QRegularExpressionValidator::validate(input, pos);
}
