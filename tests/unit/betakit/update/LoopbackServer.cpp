#include "LoopbackServer.h"

#include <QSslConfiguration>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>

LoopbackServer::LoopbackServer(std::optional<Tls> tls) : m_tls(tls.has_value()) {
    if (tls) {
        auto* server = new QSslServer(this);
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setPrivateKey(tls->key);
        config.setLocalCertificate(tls->certificate);
        server->setSslConfiguration(config);
        m_server = server;
    } else {
        m_server = new QTcpServer(this);
    }
    m_server->listen(QHostAddress::LocalHost, 0);
    // A TLS connection is pending once its handshake is done.
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, &LoopbackServer::accept);
}

LoopbackServer::~LoopbackServer() {
    for (const auto& socket : m_sockets)
        if (socket)
            socket->abort();
}

void LoopbackServer::serve(const QString& path, Response response) {
    m_responses.insert(path, std::move(response));
}

QUrl LoopbackServer::url(const QString& path) const {
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(m_tls ? "https" : "http").arg(port()).arg(path));
}

quint16 LoopbackServer::port() const {
    return m_server->serverPort();
}

int LoopbackServer::openConnections() const {
    int open = 0;
    for (const auto& socket : m_sockets)
        if (socket && socket->state() == QAbstractSocket::ConnectedState)
            ++open;
    return open;
}

void LoopbackServer::sendMore(const QByteArray& bytes) {
    for (const auto& socket : m_sockets)
        if (socket && socket->state() == QAbstractSocket::ConnectedState) {
            socket->write(bytes);
            m_bytesSent += bytes.size();
        }
}

void LoopbackServer::accept() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        m_sockets.append(socket);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
    }
}

void LoopbackServer::readRequest(QTcpSocket* socket) {
    QByteArray& pending = m_pending[socket];
    pending += socket->readAll();
    const qsizetype end = pending.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> lines = pending.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    Request request;
    request.method = requestLine.value(0);
    request.url = QUrl::fromEncoded(requestLine.value(1));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
    }
    // The request is whole once the body its length announces has arrived.
    const qsizetype length = request.headers.value("content-length").toLongLong();
    if (pending.size() < end + 4 + length)
        return;
    request.body = pending.mid(end + 4, length);
    pending.clear();
    m_requests.append(request);

    const Response response = m_responses.value(request.url.path(), Response{404, "not here"});
    if (!response.answers)
        return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\nConnection: close\r\n";
    if (response.sendLength)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    socket->write(head + "\r\n");
    const QByteArray body = response.stallAfter < 0 ? response.body : response.body.left(response.stallAfter);
    socket->write(body);
    m_bytesSent += body.size();
    if (response.stallAfter < 0)
        socket->disconnectFromHost();
}
