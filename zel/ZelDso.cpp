#include "ZelDso.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace {

bool TryLoad(QLibrary& library, const QString& fileName)
{
    library.setFileName(fileName);
    return library.load();
}

} // namespace

ZEL_DSO_HANDLE ZEL_LoadDSo(const char* name)
{
    if (!name || !*name)
        return nullptr;
    const QString fileName = QString::fromLocal8Bit(name);
    auto* library = new QLibrary;
    bool loaded = false;
    if (QCoreApplication::instance() && QDir::isRelativePath(fileName))
        loaded = TryLoad(*library, QCoreApplication::applicationDirPath() + QLatin1Char('/') + fileName);
    if (!loaded)
        loaded = TryLoad(*library, fileName);
    if (!loaded) {
        delete library;
        return nullptr;
    }
    return library;
}

void* ZEL_GetSymbol(ZEL_DSO_HANDLE handle, const char* symbol)
{
    if (!handle || !symbol)
        return nullptr;
    return reinterpret_cast<void*>(static_cast<QLibrary*>(handle)->resolve(symbol));
}

void ZEL_FreeDSo(ZEL_DSO_HANDLE handle)
{
    // QLibrary's destructor leaves the library loaded, which is what callers
    // holding function pointers into it need.
    delete static_cast<QLibrary*>(handle);
}
