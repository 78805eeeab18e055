// A host application embedding Taldor IP Utility: it owns the application
// object and the event loop, loads the shell library, places the utility's
// window in its own layout and feeds it device reports from a worker thread.

#include "HostWindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    HostWindow window;
    if (!window.EmbedUtility())
        return 1;
    window.show();
    return app.exec();
}
