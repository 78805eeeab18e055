#include "ShellTestSupport.h"

#include "ClientConfigManager.h"

#include <CBaseDialog.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

namespace ShellTestSupport {

void WhenModalShown(const std::function<void(QDialog*)>& act)
{
    auto* poll = new QTimer();
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(dialog);
    });
    poll->start();
}

void ClickButton(QDialog* dialog, const char* name)
{
    auto* button = dialog->findChild<QPushButton*>(QLatin1String(name));
    QVERIFY2(button, name);
    button->click();
}

QString BoxTitle(QDialog* box)
{
    auto* frame = qobject_cast<CBaseDialog*>(box);
    return frame ? frame->GetTitle() : QString();
}

QString BoxText(QDialog* box)
{
    auto* browser = box->findChild<QTextBrowser*>(QStringLiteral("m_pBrowserTxt"));
    return browser ? browser->toPlainText() : QString();
}

void UseSettings(const QByteArray& content)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Setup.xml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    ClientConfigManager::GetInstance()->Clear();
    QVERIFY(ClientConfigManager::GetInstance()->Load(path));
}

} // namespace ShellTestSupport

UrlRecorder::UrlRecorder()
{
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open");
}

UrlRecorder::~UrlRecorder()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}
