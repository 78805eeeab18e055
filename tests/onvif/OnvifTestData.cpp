#include "OnvifTestData.h"

#include <QFile>
#include <QString>

namespace OnvifTestData {

QByteArray readData(const char* pName)
{
    QFile file(QStringLiteral(ONVIF_TEST_DATA "/") + QLatin1String(pName));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", pName);
    return file.readAll();
}

} // namespace OnvifTestData
