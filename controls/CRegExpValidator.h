#pragma once

#include "controls_global.h"

#include <QRegularExpressionValidator>

// A pattern validator that also limits the input to a number of bytes in the
// locale's 8-bit encoding. A negative limit means no byte limit.
class CONTROLS_EXPORT CRegExpValidator : public QRegularExpressionValidator
{
    Q_OBJECT
public:
    CRegExpValidator(int nMaxBytes, QObject* parent);
    CRegExpValidator(int nMaxBytes, const QRegularExpression& rx, QObject* parent);

    State validate(QString& input, int& pos) const override;

    int MaxBytes() const { return m_nMaxBytes; }

private:
    int m_nMaxBytes;
};
