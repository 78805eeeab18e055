#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QUrl>

class QTcpServer;
class QTcpSocket;

// A device service for the tests: a QTcpServer on a loopback address serving
// canned SOAP answers by operation, with the clock, UsernameToken and HTTP
// Digest checks of a camera. Test code only: the library uses QNetworkAccessManager.
class SoapResponder : public QObject
{
    Q_OBJECT

public:
    enum class Auth { None, UsernameToken, HttpDigest };

    struct Reply
    {
        int nStatus = 200;
        QByteArray body;
        bool bSilent = false; // accept the request and never answer
    };

    explicit SoapResponder(QObject* pParent = nullptr);

    [[nodiscard]] bool listen(const QHostAddress& address, quint16 nPort = 0);
    void close();
    [[nodiscard]] quint16 port() const;
    [[nodiscard]] QUrl url() const;

    void setReply(const QString& strOperation, const Reply& reply) { m_replies.insert(strOperation, reply); }
    void setAuth(Auth auth, const QString& strUser, const QString& strPassword);
    // The device's clock runs this many seconds ahead of ours.
    void setClockOffset(qint64 nSeconds) { m_nClockOffset = nSeconds; }

    // Operations received, in order, whether each carried a UsernameToken, and their bodies.
    QStringList operations;
    QList<bool> withToken;
    QList<QByteArray> bodies;
    int nChallenges = 0;

signals:
    void received(const QString& strOperation);

private:
    void onConnection();
    void onData(QTcpSocket* pSocket);
    void answer(QTcpSocket* pSocket, const QByteArray& head, const QByteArray& body);
    [[nodiscard]] bool tokenValid(const QByteArray& body) const;
    [[nodiscard]] bool digestValid(const QByteArray& head) const;
    [[nodiscard]] QByteArray clockReply() const;
    static void send(QTcpSocket* pSocket, int nStatus, const QByteArray& body, const QByteArray& extraHeaders = {});

    QTcpServer* m_pServer;
    QHash<QString, Reply> m_replies;
    Auth m_auth = Auth::None;
    QString m_strUser;
    QString m_strPassword;
    qint64 m_nClockOffset = 0;
};
