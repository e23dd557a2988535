#include "langfile/checks/AcceptedFindings.h"

#include "core/FileNames.h"
#include "platform/AtomicFile.h"
#include "platform/BoundedRead.h"

#include <QFile>
#include <QStringDecoder>

namespace {

const QByteArray kHeader = QByteArrayLiteral("Phrase Desk accepted findings 1");

// The characters a field cannot hold as they are, and what stands for them.
const QString kPlain = QStringLiteral("\\\t\r\n");
const QString kEscapes = QStringLiteral("\\trn");

QString Escaped(const QString& Text)
{
    QString out;
    out.reserve(Text.size());
    for (const QChar c : Text) {
        const qsizetype k = kPlain.indexOf(c);
        if (k < 0) {
            out += c;
        } else {
            out += QLatin1Char('\\');
            out += kEscapes[k];
        }
    }
    return out;
}

// False for a backslash before anything but \ t r n, or at the end.
bool ValidEscapes(const QString& Field)
{
    for (qsizetype i = 0; i < Field.size(); ++i) {
        if (Field[i] != QLatin1Char('\\')) continue;
        if (i + 1 >= Field.size() || !kEscapes.contains(Field[i + 1])) return false;
        ++i;
    }
    return true;
}

} // namespace

QString TAcceptedFindings::Key(const QString& Item, const QString& Check, const QString& Translation)
{
    return Escaped(Item) + QLatin1Char('\t') + Escaped(Check) + QLatin1Char('\t') + Escaped(Translation);
}

TAcceptedFindings TAcceptedFindings::Parse(const QByteArray& Data)
{
    TAcceptedFindings result;
    QList<QByteArray> lines = Data.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    if (lines.isEmpty() || lines.first().trimmed() != kHeader)
        throw ECheckError(QStringLiteral("Not an accepted findings file (the first line must read \"%1\")")
                              .arg(QString::fromLatin1(kHeader)));
    for (qsizetype n = 1; n < lines.size(); ++n) {
        QByteArray bytes = lines[n];
        if (bytes.endsWith('\r')) bytes.chop(1);
        if (bytes.isEmpty()) continue;
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString line = utf8(bytes);
        const QStringList fields = line.split(QLatin1Char('\t'));
        const auto bad = [n](const QString& why) {
            return ECheckError(QStringLiteral("Invalid accepted findings file: line %1 %2").arg(n + 1).arg(why));
        };
        if (utf8.hasError()) throw bad(QStringLiteral("is not UTF-8 text"));
        if (fields.size() != 3) throw bad(QStringLiteral("has %1 fields instead of 3").arg(fields.size()));
        if (fields[0].isEmpty() || fields[1].isEmpty()) throw bad(QStringLiteral("names no item or check"));
        for (const QString& f : fields)
            if (!ValidEscapes(f)) throw bad(QStringLiteral("has a backslash that starts no \\\\, \\t, \\r or \\n"));
        if (!result.FKeys.contains(line)) {
            result.FKeys.insert(line);
            result.FLines << line;
        }
    }
    return result;
}

TAcceptedFindings TAcceptedFindings::Load(const QString& FileName)
{
    QFile file(FileName);
    if (!file.exists()) return {};
    if (!file.open(QIODevice::ReadOnly))
        throw ECheckError(NamingFile(FileName, QStringLiteral("cannot be read: %1").arg(file.errorString())));
    QByteArray data;
    if (!ReadFileBounded(file, kMaxAcceptedFindingsFile, data))
        throw ECheckError(
            NamingFile(FileName, QStringLiteral("cannot be read or is too large for an accepted findings file")));
    try {
        return Parse(data);
    } catch (const ECheckError& e) {
        throw ECheckError(NamingFile(FileName, e.Message()));
    }
}

QByteArray TAcceptedFindings::ToBytes() const
{
    QByteArray out = kHeader + '\n';
    for (const QString& line : FLines) out += line.toUtf8() + '\n';
    return out;
}

void TAcceptedFindings::Save(const QString& FileName) const
{
    if (FLines.isEmpty()) {
        if (QFile::exists(FileName) && !QFile::remove(FileName))
            throw ECheckError(NamingFile(FileName, QStringLiteral("cannot be removed")));
        return;
    }
    try {
        WriteFileAtomic(FileName, ToBytes());
    } catch (const EVocabrixError& e) {
        throw ECheckError(NamingFile(FileName, e.Message()));
    }
}

bool TAcceptedFindings::Contains(const TCheckFinding& Finding) const
{
    return !FKeys.isEmpty() && FKeys.contains(Key(Finding.ItemName, Finding.CheckId, Finding.Translation));
}

void TAcceptedFindings::Accept(const TCheckFinding& Finding)
{
    const QString key = Key(Finding.ItemName, Finding.CheckId, Finding.Translation);
    if (FKeys.contains(key)) return;
    FKeys.insert(key);
    FLines << key;
}

void TAcceptedFindings::Unaccept(const TCheckFinding& Finding)
{
    const QString key = Key(Finding.ItemName, Finding.CheckId, Finding.Translation);
    if (FKeys.remove(key)) FLines.removeOne(key);
}

QString AcceptedFindingsFileName(const QString& LangFileName)
{
    return WithoutLastExt(LangFileName) + QStringLiteral(".checks");
}
