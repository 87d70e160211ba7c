#pragma once

// A server on 127.0.0.1 run by Debian's own Python (the python3 on PATH may
// not see Debian's modules). The script prints its port on the first line of
// its output and then serves until it is killed.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtTest>

namespace brel::test {

class PythonServer {
public:
    ~PythonServer() { stop(); }

    /// Starts script (the text of a Python program) with args; false when it
    /// did not report a port within ten seconds.
    bool start(const QString &script, const QStringList &args = {})
    {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-u"), QStringLiteral("-c"), script} + args);
        if (!m_process.waitForStarted(10000))
            return false;
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(10000)) {
                qWarning("%s", m_process.readAllStandardError().constData());
                return false;
            }
        }
        m_port = m_process.readLine().trimmed().toInt();
        return m_port > 0;
    }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    int port() const { return m_port; }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    /// What the server wrote to its error output so far.
    QByteArray errors() { return m_process.readAllStandardError(); }

private:
    QProcess m_process;
    int m_port = 0;
};

/// Serves the files of the folder given as the first argument.
inline const QString HttpFilesScript = QStringLiteral(R"(
import functools, http.server, sys
class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(('127.0.0.1', 0), functools.partial(Quiet, directory=sys.argv[1]))
print(server.server_address[1])
server.serve_forever()
)");

/// Accepts connections and never answers.
inline const QString SilentServerScript = QStringLiteral(R"(
import socket
s = socket.socket()
s.bind(('127.0.0.1', 0))
s.listen(16)
print(s.getsockname()[1])
held = []
while True:
    held.append(s.accept()[0])
)");

} // namespace brel::test

namespace brel::test {

/// An FTP server (pyftpdlib) on the folder of the first argument, for the
/// user and password of the second and third. A failed login answers at
/// once. While a file named "drop-on-RNTO" or "drop-on-STOR" lies in the
/// folder of the fourth argument, the server drops the connection on that
/// command, as a broken line would.
inline const QString FtpServerScript = QStringLiteral(R"(
import logging, os, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
logging.disable(logging.CRITICAL)
control = sys.argv[4] if len(sys.argv) > 4 else sys.argv[1] + '/..'
authorizer = DummyAuthorizer()
authorizer.add_user(sys.argv[2], sys.argv[3], sys.argv[1], perm='elradfmwMT')
class Handler(FTPHandler):
    auth_failed_timeout = 0
    def _dropped(self, command):
        if os.path.exists(os.path.join(control, 'drop-on-' + command)):
            self.close()
            return True
        return False
    def ftp_RNTO(self, path):
        if not self._dropped('RNTO'):
            return FTPHandler.ftp_RNTO(self, path)
    def ftp_STOR(self, file, mode='w'):
        if not self._dropped('STOR'):
            return FTPHandler.ftp_STOR(self, file, mode)
Handler.authorizer = authorizer
server = FTPServer(('127.0.0.1', 0), Handler)
print(server.address[1])
server.serve_forever()
)");

} // namespace brel::test

namespace brel::test {

/// Answers every GET with the bytes of the file named by the first argument
/// (404 while it is missing) and appends each request's path to the file of
/// the second argument, one line each.
inline const QString HttpReplyScript = QStringLiteral(R"(
import http.server, os, sys
class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass
    def do_GET(self):
        with open(sys.argv[2], 'a') as log:
            log.write(self.path + '\n')
        if not os.path.exists(sys.argv[1]):
            self.send_error(404)
            return
        body = open(sys.argv[1], 'rb').read()
        self.send_response(200)
        self.send_header('Content-Type', 'text/plain')
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)
server = http.server.HTTPServer(('127.0.0.1', 0), Handler)
print(server.server_address[1])
server.serve_forever()
)");

} // namespace brel::test
