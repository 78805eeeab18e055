#include "BuildDate.h"

#include <QByteArray>
#include <QString>

unsigned BuildDateNumberOf(const char* date)
{
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QByteArray text(date ? date : "");
    if (text.size() < 11)
        return 0;
    const QByteArray month = text.left(3);
    int monthNumber = 0;
    for (int i = 0; i < 12; ++i) {
        if (month == kMonths[i])
            monthNumber = i + 1;
    }
    bool dayOk = false;
    bool yearOk = false;
    const uint day = text.mid(4, 2).trimmed().toUInt(&dayOk, 10);
    const QByteArray year = text.mid(7, 4);
    year.toUInt(&yearOk, 10);
    if (!monthNumber || !dayOk || !yearOk)
        return 0;
    const QString joined = QString::fromLatin1(year) + QString::asprintf("%02d", monthNumber)
        + QString::asprintf("%02d", int(day));
    return joined.toUInt(nullptr, 10);
}

unsigned BuildDateNumber()
{
    return BuildDateNumberOf(__DATE__);
}
