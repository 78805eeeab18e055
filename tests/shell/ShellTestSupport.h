#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

#include <functional>

class QDialog;
class QWidget;

// Helpers shared by the shell tests.
namespace ShellTestSupport {

// Acts on the next modal dialog once it is shown.
void WhenModalShown(const std::function<void(QDialog*)>& act);
// Clicks the button of that name inside the dialog.
void ClickButton(QDialog* dialog, const char* name);
// The title and text of a message box.
QString BoxTitle(QDialog* box);
QString BoxText(QDialog* box);
// Replaces the settings with the given Setup.xml content.
void UseSettings(const QByteArray& content);

} // namespace ShellTestSupport

// Takes the file URLs the program hands to the desktop instead of opening them.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    UrlRecorder();
    ~UrlRecorder() override;

    QList<QUrl> m_urls;

public slots:
    void Open(const QUrl& url) { m_urls.append(url); }
};
