#include "AppPaths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QString>

QString GetAppDirPath()
{
    return QCoreApplication::applicationDirPath() + u'/';
}

QString GetAbsolutePath(const QString& fileName)
{
    if (QFileInfo(fileName).isAbsolute())
        return fileName;
    return GetAppDirPath() + fileName;
}
