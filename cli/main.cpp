#include "CTaldorIpTool.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("taldor-ip"));
    CTaldorIpTool tool;
    return tool.Run(QCoreApplication::arguments());
}
