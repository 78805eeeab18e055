#pragma once

#include "controls_global.h"

#include <QRegularExpressionValidator>

// A pattern validator that also limits the input to a number of bytes in the
// local 8-bit encoding.
class CONTROLS_EXPORT CRegExpValidator : public QRegularExpressionValidator
{
    Q_OBJECT
public:
    CRegExpValidator(int nMaxBytes, QObject* parent);
    CRegExpValidator(int nMaxBytes, const QRegularExpression& rx, QObject* parent);

    State validate(QString& input, int& pos) const override;

private:
    int m_nMaxBytes;
};
