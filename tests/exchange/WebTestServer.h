#pragma once

// A loopback HTTPS server standing in for the machine translation engines
// (Google v2, Apertium APy, DeepL v2, LibreTranslate, told apart by path and
// method): a small Python http.server behind ssl, with a certificate made by
// openssl for this run, or plain HTTP. Answers follow a script (a JSON object
// keyed by the decoded text) that may be changed between requests; every
// request's path and headers go to a log, one line each.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
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
    enum TTransport { Tls, PlainHttp };
    explicit TWebTestServer(const QString& Name = QStringLiteral("localhost"), TTransport Transport = Tls)
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
        FProcess.start(QStringLiteral("python3"),
                       {Path("server.py"), Transport == Tls ? Path("cert.pem") : QStringLiteral("-"), Path("key.pem"),
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

    // Answers by the decoded text ("q", DeepL's "text"): {"text":
    // translation} (default: "T(q)"), {"status": 403, "reason": "Forbidden"},
    // {"body": raw answer}, {"hang": true} (never answers); "headers" adds
    // answer headers. The language lists answer to the key "@languages".
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
    // Each request in full: {"method", "path", "authorization", "type", "body"}.
    QList<QJsonObject> Details() const
    {
        QFile file(Path("details.log"));
        QList<QJsonObject> out;
        if (!file.open(QIODevice::ReadOnly)) return out;
        for (const QByteArray& line : file.readAll().split('\n'))
            if (!line.isEmpty()) out << QJsonDocument::fromJson(line).object();
        return out;
    }
    void ClearLog() const
    {
        for (const char* name : {"requests.log", "queries.log", "details.log"}) QFile::remove(Path(name));
    }

private:
    QString Path(const char* Name) const { return FDir.filePath(QLatin1String(Name)); }

    static constexpr const char* kServer = R"PY(
import http.server, json, os, ssl, sys, time, urllib.parse

cert, key, script_path, log_path = sys.argv[1:5]
queries_path = os.path.join(os.path.dirname(log_path), 'queries.log')
details_path = os.path.join(os.path.dirname(log_path), 'details.log')

# Each engine's answer for a translation, and its list of languages.
def answer(engine, text):
    if engine == 'google':
        return {'data': {'translations': [{'translatedText': text}]}}
    if engine == 'apertium':
        return {'responseData': {'translatedText': text}, 'responseDetails': None, 'responseStatus': 200}
    if engine == 'deepl':
        return {'translations': [{'detected_source_language': 'EN', 'text': text}]}
    return {'translatedText': text}

LANGUAGES = {
    '/language/translate/v2/languages': {'data': {'languages': [{'language': 'en'}, {'language': 'de'}, {'language': 'fr'}]}},
    '/listPairs': {'responseData': [{'sourceLanguage': 'eng', 'targetLanguage': 'spa'},
                                    {'sourceLanguage': 'spa', 'targetLanguage': 'eng'}],
                   'responseDetails': None, 'responseStatus': 200},
    '/v2/languages': [{'language': 'DE', 'name': 'German'}, {'language': 'EN-US', 'name': 'English (American)'},
                      {'language': 'ES', 'name': 'Spanish'}],
    '/languages': [{'code': 'en', 'name': 'English', 'targets': ['de', 'es']},
                   {'code': 'de', 'name': 'German', 'targets': ['en']}],
}

class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    # Headers and body go in two writes: without this, delayed ACKs hold each answer 40 ms.
    disable_nagle_algorithm = True

    def do_GET(self):
        self.handle_any('GET', b'')

    def do_POST(self):
        self.handle_any('POST', self.rfile.read(int(self.headers.get('Content-Length', '0'))))

    def handle_any(self, method, body):
        parts = urllib.parse.urlsplit(self.path)
        params = urllib.parse.parse_qs(parts.query, keep_blank_values=True)
        ctype = self.headers.get('Content-Type', '')
        if ctype.startswith('application/json'):
            params = {k: [v] for k, v in json.loads(body or b'{}').items()}
        elif body:
            params = urllib.parse.parse_qs(body.decode('utf-8'), keep_blank_values=True)
        q = (params.get('q') or params.get('text') or [''])[0]
        if parts.path in LANGUAGES:
            q = '@languages'
        engine = {'/language/translate/v2': 'google', '/v2/translate': 'deepl'}.get(parts.path)
        if parts.path == '/translate':
            engine = 'apertium' if method == 'GET' else 'libre'
        with open(log_path, 'a') as log:
            log.write('%s\t%s\t%s\n' % (self.path, self.headers.get('User-Agent', ''), self.headers.get('Referer', '')))
        with open(queries_path, 'a') as log:
            log.write(json.dumps(q) + '\n')
        with open(details_path, 'a') as log:
            log.write(json.dumps({'method': method, 'path': self.path, 'type': ctype,
                                  'authorization': self.headers.get('Authorization', ''),
                                  'body': body.decode('utf-8')}) + '\n')
        with open(script_path) as f:
            rule = json.load(f).get(q, {})
        if rule.get('hang'):
            time.sleep(3600)
            return
        status = rule.get('status', 200)
        if 'body' in rule:
            data = rule['body'].encode('utf-8')
        elif q == '@languages':
            data = json.dumps(LANGUAGES[parts.path]).encode('utf-8')
        elif engine is None:
            status, data = 404, b'{"error": "no such path"}'
        else:
            data = json.dumps(answer(engine, rule.get('text', 'T(' + q + ')')), indent=1).encode('utf-8')
        self.send_response(status, rule.get('reason'))
        self.send_header('Content-Type', 'application/json; charset=UTF-8')
        self.send_header('Content-Length', str(len(data)))
        for name, value in rule.get('headers', {}).items():
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass

server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
server.daemon_threads = True
if cert != '-':
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
