#pragma once

#include "shell_global.h"

#include <QApplication>

#include <memory>

class CSingleInstanceLock;

// The stand-alone program's application object: fonts, plugin path,
// settings and translation, skin, widget style and style sheet, and the
// single-instance probe.
class SHELL_EXPORT CMorvelApplication : public QApplication
{
    Q_OBJECT
public:
    CMorvelApplication(int& argc, char** argv, const QString& key);
    ~CMorvelApplication() override;

    // Shows "Software is already running." and returns true when another
    // instance holds the key.
    bool IsRunning();
    // Shows a message and returns true when the primary screen is below 1024 x 768.
    bool IsLowResolution();
    static bool IsBelowMinimumResolution(const QSize& screenSize);

    // The program's run: refusals, then the main window until a confirmed close.
    int Run();

private:
    void InitFont();
    void InitEnvironment();
    void InitSkin();
    void InitStyle();
    void InitToolTipFont();
    void ProbeSingleInstance();
    void ShowMessage(const QString& text);

    bool m_bRunning = false;
    QString m_strKey;
    std::unique_ptr<CSingleInstanceLock> m_pInstanceLock;
};
