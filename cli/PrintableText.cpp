#include "PrintableText.h"

#include <QString>

QString PrintableText(QString text)
{
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = u'?';
    }
    return text;
}
