#include "ShellEnvironment.h"

#include "AppPaths.h"
#include "ClientConfigManager.h"
#include "ClientLanguageManager.h"
#include "ClientLanguageProperty.h"

#include <QCoreApplication>
#include <QTranslator>

void PrepareShellEnvironment()
{
    QCoreApplication::addLibraryPath(
        QStringLiteral("%1%2plugins").arg(QCoreApplication::applicationDirPath(), QStringLiteral("/")));
    ClientConfigManager::GetInstance()->Load(GetAbsolutePath(QStringLiteral("Setup.xml")));
    QCoreApplication::installTranslator(ClientLanguageManager::GetInstance()->GetCurrentProperty()->Translator());
}
