#include "CPasswordLineEdit.h"

#include <QKeyEvent>

CPasswordLineEdit::CPasswordLineEdit(QWidget* parent)
    : QLineEdit(parent)
{
    setEchoMode(QLineEdit::Password);
}

void CPasswordLineEdit::keyPressEvent(QKeyEvent* e)
{
    if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Copy) || e->matches(QKeySequence::Cut))
        return;
    QLineEdit::keyPressEvent(e);
}
