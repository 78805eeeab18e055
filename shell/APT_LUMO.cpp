#include "APT_LUMO.h"

#include "CAPT_LUMOMainWnd.h"
#include "ShellEnvironment.h"

#include <QGridLayout>

#include <atomic>
#include <new>

namespace {

// Written on the host's GUI thread, read by reports from any thread.
std::atomic<CAPT_LUMOMainWnd*> g_pEmbeddedWindow{nullptr};

} // namespace

bool APT_LUMO_OpenDialog(QWidget* parent, QGridLayout* layout, bool showTitle, int hostArg1, int hostArg2,
                         int hostArg3)
{
    PrepareShellEnvironment();
    CAPT_LUMOMainWnd* window = g_pEmbeddedWindow.load();
    if (!window) {
        window = new (std::nothrow) CAPT_LUMOMainWnd(parent, {}, hostArg1, hostArg2, hostArg3);
        if (!window)
            return false;
        g_pEmbeddedWindow.store(window);
        // A host that deletes the window's parent deletes the window too; the
        // next call then creates a new one instead of using a dead pointer.
        QObject::connect(window, &QObject::destroyed, [] { g_pEmbeddedWindow.store(nullptr); });
    }
    if (layout)
        layout->addWidget(window, 0, 0, 1, 1);
    window->ShowTitle(showTitle);
    window->show();
    return true;
}

void APT_LUMO_ChangeSize(bool large)
{
    if (CAPT_LUMOMainWnd* window = g_pEmbeddedWindow.load())
        window->ChangeSize(large);
}

void APT_LUMO_CallBack(const LUMO_DEVICE_REPORT* report)
{
    if (CAPT_LUMOMainWnd* window = g_pEmbeddedWindow.load())
        window->DeviceCallBack(report);
}
