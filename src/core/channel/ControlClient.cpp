#include "core/channel/ControlClient.h"

#include "core/channel/ControlEndpoint.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>

namespace pellux {

namespace {
constexpr qsizetype kMaxReplyBytes = 64;
}

ControlClient::ControlClient(int timeoutMs)
    : m_timeoutMs(timeoutMs)
{
}

ControlClient::~ControlClient()
{
    close();
}

bool ControlClient::open()
{
    close();
    m_error.clear();
    const QString path = ControlEndpointPath(&m_error);
    if (path.isEmpty())
        return false;
    m_socket = std::make_unique<QLocalSocket>();
    m_socket->connectToServer(path);
    if (!m_socket->waitForConnected(m_timeoutMs)) {
        switch (m_socket->error()) {
        case QLocalSocket::ServerNotFoundError:
        case QLocalSocket::ConnectionRefusedError:
            m_error = QStringLiteral("no instance listens on %1").arg(path);
            break;
        default:
            m_error = m_socket->errorString();
            break;
        }
        m_socket.reset();
        return false;
    }
    return true;
}

bool ControlClient::isOpen() const
{
    return m_socket && m_socket->state() == QLocalSocket::ConnectedState;
}

ControlClient::Reply ControlClient::execute(const QString &command)
{
    if (!isOpen()) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("The conversation is not open");
        return Reply::NoAnswer;
    }
    if (command.contains(QLatin1Char('\n')) || command.contains(QChar(u'\0'))) {
        m_error = QStringLiteral("A command cannot hold a line break or a NUL");
        return Reply::Refused;
    }

    const auto broken = [this](const QString &why) {
        m_error = why;
        close();
        return Reply::NoAnswer;
    };

    const QByteArray data = command.toUtf8() + '\n';
    QElapsedTimer timer;
    timer.start();
    const auto remaining = [&] { return int(qMax<qint64>(0, m_timeoutMs - timer.elapsed())); };

    if (m_socket->write(data) != data.size())
        return broken(m_socket->errorString());
    while (m_socket->bytesToWrite() > 0) {
        if (!m_socket->waitForBytesWritten(remaining()))
            return broken(QStringLiteral("Could not send the command: %1").arg(m_socket->errorString()));
    }
    while (!m_socket->canReadLine()) {
        if (m_socket->bytesAvailable() > kMaxReplyBytes)
            return broken(QStringLiteral("The running instance gave an unreadable answer"));
        const int left = remaining();
        if (left <= 0)
            return broken(QStringLiteral("The running instance did not answer in time"));
        if (!m_socket->waitForReadyRead(left) && !m_socket->canReadLine()
            && m_socket->state() != QLocalSocket::ConnectedState)
            return broken(QStringLiteral("The running instance closed the conversation"));
    }
    QByteArray line = m_socket->readLine(kMaxReplyBytes);
    if (line.endsWith('\n'))
        line.chop(1);
    if (line == "ACK")
        return Reply::Accepted;
    if (line == "NAK") {
        m_error = QStringLiteral("The running instance refused the command");
        return Reply::Refused;
    }
    return broken(QStringLiteral("The running instance gave an unreadable answer"));
}

void ControlClient::close()
{
    if (!m_socket)
        return;
    m_socket->disconnectFromServer();
    if (m_socket->state() != QLocalSocket::UnconnectedState)
        m_socket->abort();
    m_socket.reset();
}

ControlClient::HandOver ControlClient::SendDDERequest(const QString &path)
{
    HandOver result;
    if (!open() || execute(QStringLiteral("AreYouThere")) != Reply::Accepted) {
        close();
        return result;
    }
    result.instanceAnswered = true;
    const QString target = path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
    result.loadNote = execute(QStringLiteral("LoadNote|") + target);
    close();
    return result;
}

bool ControlClient::OpenControlPanel()
{
    const bool accepted = open() && execute(QStringLiteral("ControlPanel")) == Reply::Accepted;
    close();
    return accepted;
}

} // namespace pellux
