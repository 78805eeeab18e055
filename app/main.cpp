#include "QtLumo.h"

#include <QApplication>
#include <QGridLayout>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Taldor IP Utility"));

    QWidget window;
    window.setWindowTitle(QStringLiteral("Taldor IP Utility"));
    auto* layout = new QGridLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QtLumo(&window, 0));
    window.resize(1200, 700);
    window.show();
    return app.exec();
}
