#pragma once

// A loopback HTTPS server standing in for the web translation service: a
// small Python http.server behind ssl, with a certificate made by openssl for
// this run. Answers follow a script (a JSON object keyed by the decoded "q")
// that may be changed between requests; every request's path and headers go
// to a log, one line each.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class TWebTestServer {
public:
    // Name: the host the certificate is made for; another than localhost
    // makes a server whose certificate does not fit the address.
    explicit TWebTestServer(const QString& Name = QStringLiteral("localhost"))
    {
        const QString san = Name == QLatin1String("localhost") ? QStringLiteral("IP:127.0.0.1,DNS:localhost")
                                                               : QStringLiteral("DNS:") + Name;
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
                       Path("key.pem"), "-out", Path("cert.pem"), "-days", "2", "-subj", "/CN=" + Name, "-addext",
                       "subjectAltName=" + san});
        if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0) {
            FError = "openssl failed: " + openssl.readAllStandardError();
            return;
        }
        SetScript({});
        QFile script(Path("server.py"));
        script.open(QIODevice::WriteOnly);
        script.write(kServer);
        script.close();
        FProcess.setProcessChannelMode(QProcess::SeparateChannels);
        FProcess.start(QStringLiteral("python3"), {Path("server.py"), Path("cert.pem"), Path("key.pem"),
                                                   Path("script.json"), Path("requests.log")});
        if (!FProcess.waitForStarted(10000)) {
            FError = "python3 did not start";
            return;
        }
        while (!FProcess.canReadLine() && FProcess.waitForReadyRead(10000)) {
        }
        const QByteArray line = FProcess.readLine().trimmed();
        if (!line.startsWith("PORT ")) {
            FError = "server did not start: " + line + FProcess.readAllStandardError();
            return;
        }
        FPort = line.mid(5).toInt();
    }
    ~TWebTestServer()
    {
        FProcess.kill();
        FProcess.waitForFinished(5000);
    }

    bool Ok() const { return FPort > 0; }
    const QByteArray& Error() const { return FError; }
    int Port() const { return FPort; }
    QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(FPort); }

    // Trusts this server's certificate for the process (verification stays on).
    void Trust() const
    {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.addCaCertificates(QSslCertificate::fromPath(Path("cert.pem")));
        QSslConfiguration::setDefaultConfiguration(config);
    }

    // Answers by the decoded "q": {"text": translation} (default: "T(q)"),
    // {"status": 403, "reason": "Forbidden"}, {"body": raw answer},
    // {"hang": true} (never answers); "headers" adds answer headers.
    void SetScript(const QJsonObject& Script)
    {
        QFile file(Path("script.json.tmp"));
        file.open(QIODevice::WriteOnly);
        file.write(QJsonDocument(Script).toJson());
        file.close();
        QFile::remove(Path("script.json"));
        file.rename(Path("script.json"));
    }

    // Each request: its path, a tab, the User-Agent, a tab, the Referer.
    QStringList Requests() const
    {
        QFile file(Path("requests.log"));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // The decoded "q" of each request, in order.
    QStringList Queries() const
    {
        QFile file(Path("queries.log"));
        if (!file.open(QIODevice::ReadOnly)) return {};
        QStringList out;
        for (const QByteArray& line : file.readAll().split('\n'))
            if (!line.isEmpty()) out << QJsonDocument::fromJson("[" + line + "]").array().at(0).toString();
        return out;
    }
    void ClearLog() const
    {
        QFile::remove(Path("requests.log"));
        QFile::remove(Path("queries.log"));
    }

private:
    QString Path(const char* Name) const { return FDir.filePath(QLatin1String(Name)); }

    static constexpr const char* kServer = R"PY(
import http.server, json, os, ssl, sys, time, urllib.parse

cert, key, script_path, log_path = sys.argv[1:5]
queries_path = os.path.join(os.path.dirname(log_path), 'queries.log')

class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    # Headers and body go in two writes: without this, delayed ACKs hold each answer 40 ms.
    disable_nagle_algorithm = True

    def do_GET(self):
        parts = urllib.parse.urlsplit(self.path)
        q = urllib.parse.parse_qs(parts.query, keep_blank_values=True).get('q', [''])[0]
        with open(log_path, 'a') as log:
            log.write('%s\t%s\t%s\n' % (self.path, self.headers.get('User-Agent', ''), self.headers.get('Referer', '')))
        with open(queries_path, 'a') as log:
            log.write(json.dumps(q) + '\n')
        with open(script_path) as f:
            rule = json.load(f).get(q, {})
        if rule.get('hang'):
            time.sleep(3600)
            return
        status = rule.get('status', 200)
        if 'body' in rule:
            body = rule['body'].encode('utf-8')
        else:
            text = rule.get('text', 'T(' + q + ')')
            body = json.dumps({'data': {'translations': [{'translatedText': text}]}}, indent=1).encode('utf-8')
        self.send_response(status, rule.get('reason'))
        self.send_header('Content-Type', 'application/json; charset=UTF-8')
        self.send_header('Content-Length', str(len(body)))
        for name, value in rule.get('headers', {}).items():
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass

server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
server.daemon_threads = True
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
print('PORT %d' % server.server_address[1], flush=True)
server.serve_forever()
)PY";

    QTemporaryDir FDir;
    QProcess FProcess;
    QByteArray FError;
    int FPort = 0;
};
