#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QTcpServer;
class QTcpSocket;

// A small HTTP/1.1 (or https) server on 127.0.0.1 for the beta kit's tests: it answers requests from a table
// of paths and records what it was asked, with the body a request announced by its length. Its sockets live
// on the test's thread, so the test must let Qt's events run (see pumpUntil in UpdateTestSupport.h).
class LoopbackServer final : public QObject {
    Q_OBJECT
public:
    struct Response {
        int status = 200;
        QByteArray body;
        // Without a Content-Length the body ends when the connection closes.
        bool sendLength = true;
        // After this many body bytes the server sends nothing more and keeps the connection
        // open (a stalled server); -1 sends everything.
        qint64 stallAfter = -1;
        QList<std::pair<QByteArray, QByteArray>> headers;
        // False: the request is read and never answered, not even with a status line.
        bool answers = true;
    };
    struct Request {
        QByteArray method;
        QUrl url;                              // path and query, relative
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };

    // With a key and certificate it speaks https.
    struct Tls {
        QSslKey key;
        QSslCertificate certificate;
    };

    explicit LoopbackServer(std::optional<Tls> tls = std::nullopt);
    ~LoopbackServer() override;

    void serve(const QString& path, Response response);
    // An address on this server.
    QUrl url(const QString& path) const;
    quint16 port() const;

    const QList<Request>& requests() const { return m_requests; }
    // Body bytes written so far, over every connection.
    qint64 bytesSent() const { return m_bytesSent; }
    // Connections still open (a stalled one stays open until the client goes).
    int openConnections() const;
    // More body bytes on every open connection: a stalled server that drips.
    void sendMore(const QByteArray& bytes);

private:
    void accept();
    void readRequest(QTcpSocket* socket);

    QTcpServer* m_server;
    bool m_tls = false;
    QHash<QString, Response> m_responses;
    QList<Request> m_requests;
    QList<QPointer<QTcpSocket>> m_sockets;
    QHash<QTcpSocket*, QByteArray> m_pending;
    qint64 m_bytesSent = 0;
};
