#include "platform/Settings.h"

#include "core/UiStrings.h"

#include "platform/AtomicFile.h"
#include "storage/Locales.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <limits>

namespace {

QString gTestFolder;
bool gDocumentsUnknown = false;

std::unique_ptr<QSettings> OpenStore(TSettingsKey::TRoot Root)
{
    std::unique_ptr<QSettings> store;
    const bool user = Root == TSettingsKey::rtUser;
    if (!gTestFolder.isEmpty())
        store = std::make_unique<QSettings>(
            QDir(gTestFolder).filePath(user ? QStringLiteral("user.ini") : QStringLiteral("machine.ini")),
            QSettings::IniFormat);
    else if (user)
        store = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Oxvel"),
                                            QStringLiteral("Phrase Desk"));
    else
        store = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::SystemScope, QStringLiteral("Oxvel"),
                                            QStringLiteral("Vocabrix"));
    // The registry has no fallback from one key to another.
    store->setFallbacksEnabled(false);
    return store;
}

// A 32-bit integer from a stored number, also in its unsigned form.
std::optional<int> ToInt32(qint64 v)
{
    if (v < std::numeric_limits<int>::min() || v > qint64(std::numeric_limits<quint32>::max())) return std::nullopt;
    return int(quint32(v));
}

using TValues = QList<QPair<QString, QVariant>>;

// Every value below Group, with paths relative to it.
TValues Subtree(QSettings& Store, const QString& Group)
{
    TValues values;
    Store.beginGroup(Group);
    for (const QString& key : Store.allKeys()) values.append({key, Store.value(key)});
    Store.endGroup();
    return values;
}

void PutSubtree(QSettings& Store, const QString& Group, const TValues& Values)
{
    for (const auto& [key, value] : Values) Store.setValue(Group + QLatin1Char('/') + key, value);
}

} // namespace

// ---------------------------------------------------------------- settings keys

TSettingsKey::TSettingsKey(const QString& SubKey, TRoot Root) : FStore(OpenStore(Root)), FRoot(Root)
{
    if (!SubKey.isEmpty()) FStore->beginGroup(SubKey);
}

TSettingsKey::~TSettingsKey() = default;

bool TSettingsKey::Exists() const { return !FStore->childKeys().isEmpty() || !FStore->childGroups().isEmpty(); }

bool TSettingsKey::ValueExists(const QString& Name) const { return FStore->contains(Name); }

std::optional<QString> TSettingsKey::ReadString(const QString& Name) const
{
    if (!ValueExists(Name)) return std::nullopt;
    const QVariant v = FStore->value(Name);
    // An INI file edited by hand may hold "a,b" unquoted, which QSettings
    // reads as a list.
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(','));
    if (v.typeId() != QMetaType::QString) return std::nullopt;
    return v.toString();
}

std::optional<int> TSettingsKey::ReadInteger(const QString& Name) const
{
    if (!ValueExists(Name)) return std::nullopt;
    const QVariant v = FStore->value(Name);
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return ToInt32(v.toLongLong());
    case QMetaType::ULongLong:
        return v.toULongLong() > quint64(std::numeric_limits<quint32>::max()) ? std::nullopt
                                                                              : ToInt32(qint64(v.toULongLong()));
    case QMetaType::QString: {
        bool ok = false;
        const qint64 n = v.toString().trimmed().toLongLong(&ok, 10);
        return ok ? ToInt32(n) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<bool> TSettingsKey::ReadBool(const QString& Name) const
{
    const std::optional<int> n = ReadInteger(Name);
    if (!n) return std::nullopt;
    return *n != 0;
}

void TSettingsKey::CheckWritable() const
{
    if (FRoot != rtUser) throw ESettingsError(UiString(usSettingsReadOnly));
}

void TSettingsKey::WriteString(const QString& Name, const QString& Value)
{
    CheckWritable();
    FStore->setValue(Name, Value);
}

void TSettingsKey::WriteInteger(const QString& Name, int Value)
{
    CheckWritable();
    FStore->setValue(Name, Value);
}

void TSettingsKey::WriteBool(const QString& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

void TSettingsKey::DeleteValue(const QString& Name)
{
    CheckWritable();
    // QSettings removes a subkey of the same name along with the value; the
    // registry keeps them apart, so the subkey is put back.
    const TValues sub = FStore->childGroups().contains(Name) ? Subtree(*FStore, Name) : TValues();
    FStore->remove(Name);
    PutSubtree(*FStore, Name, sub);
}

QStringList TSettingsKey::ValueNames() const { return FStore->childKeys(); }

QStringList TSettingsKey::SubKeys() const
{
    QStringList keys = FStore->childGroups();
    keys.sort(Qt::CaseInsensitive);
    return keys;
}

void TSettingsKey::DeleteKey(const QString& SubKey)
{
    CheckWritable();
    // As with DeleteValue: a value of the same name stays.
    const std::optional<QVariant> value =
        ValueExists(SubKey) ? std::optional<QVariant>(FStore->value(SubKey)) : std::nullopt;
    FStore->remove(SubKey);
    if (value) FStore->setValue(SubKey, *value);
}

void TSettingsKey::RenameKey(const QString& OldName, const QString& NewName)
{
    if (OldName == NewName) return;
    const TValues values = Subtree(*FStore, OldName);
    DeleteKey(NewName);
    PutSubtree(*FStore, NewName, values);
    DeleteKey(OldName);
}

bool TSettingsKey::Flush()
{
    FStore->sync();
    return FStore->status() == QSettings::NoError;
}

void SetSettingsFolderForTesting(const QString& Folder) { gTestFolder = Folder; }

void SetDocumentsFolderUnknownForTesting(bool Unknown) { gDocumentsUnknown = Unknown; }

QString DocumentsFolder()
{
    if (gDocumentsUnknown) return {};
    if (!gTestFolder.isEmpty()) return QDir(gTestFolder).filePath(QStringLiteral("Documents"));
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString ProgramFolder()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

// ---------------------------------------------------------------- INI files

namespace {

QString DecodeIniText(QByteArray Data)
{
    if (Data.startsWith("\xFF\xFE")) {
        Data.remove(0, 2);
        if (Data.size() % 2) Data.chop(1);
        return QStringDecoder(QStringConverter::Utf16LE).decode(Data);
    }
    if (Data.startsWith("\xEF\xBB\xBF")) Data.remove(0, 3);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(Data);
    if (utf8.hasError()) text = AnsiToWide(Data, SystemCodePage());
    return text;
}

QString Unquote(const QString& Value)
{
    if (Value.size() >= 2 && Value.front() == Value.back() &&
        (Value.front() == QLatin1Char('"') || Value.front() == QLatin1Char('\'')))
        return Value.mid(1, Value.size() - 2);
    return Value;
}

// A value that reading would change (surrounding blanks or quotes) is put in
// double quotes; line breaks would end the line, so they become blanks.
QString QuoteForWriting(QString Value)
{
    Value.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (Value.trimmed() != Value || Unquote(Value) != Value) return QLatin1Char('"') + Value + QLatin1Char('"');
    return Value;
}

// Section and key names: one line, no brackets or "=" that would read back
// as something else.
QString CleanName(QString Name)
{
    for (QChar& c : Name)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('=') || c == QLatin1Char(']'))
            c = QLatin1Char('_');
    return Name.trimmed();
}

bool SameName(const QString& A, const QString& B) { return A.compare(B, Qt::CaseInsensitive) == 0; }

} // namespace

TIniFile TIniFile::Load(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ESettingsError(UiString(usCannotRead, {QDir::toNativeSeparators(FileName), file.errorString()}));
    const QByteArray data = file.read(MaxFileSize + 1);
    if (data.size() > MaxFileSize)
        throw ESettingsError(UiString(usSettingsFileTooLarge, {QDir::toNativeSeparators(FileName)}));
    return Parse(data);
}

std::optional<TIniFile> TIniFile::LoadConfig(const QString& FileName)
{
    if (FileName.isEmpty() || !QFileInfo::exists(FileName)) return std::nullopt;
    QFile file(FileName);
    if (file.open(QIODevice::ReadOnly) && file.peek(MaxFileSize + 1).contains('\0'))
        throw ESettingsError(UiString(usNotConfigurationFile, {QDir::toNativeSeparators(FileName)}));
    return Load(FileName);
}

TIniFile TIniFile::Parse(const QByteArray& Data)
{
    TIniFile ini;
    TSection* current = nullptr;
    const QString text = DecodeIniText(Data);
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.front() == QLatin1Char(';')) continue;
        if (line.front() == QLatin1Char('[')) {
            const qsizetype end = line.indexOf(QLatin1Char(']'));
            const QString name = line.mid(1, end < 0 ? -1 : end - 1).trimmed().toString();
            // A repeated section adds to the first one of its name.
            current = ini.FindSection(name);
            if (!current) {
                ini.FSections.append({name, {}});
                current = &ini.FSections.last();
            }
            continue;
        }
        if (!current) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString key = (eq < 0 ? line : line.left(eq)).trimmed().toString();
        if (key.isEmpty() || ini.FindValue(current->Name, key)) continue; // the first of repeated keys counts
        current->Values.append({key, eq < 0 ? QString() : Unquote(line.mid(eq + 1).trimmed().toString())});
    }
    return ini;
}

QByteArray TIniFile::ToBytes() const
{
    QString text;
    for (const TSection& section : FSections) {
        if (!text.isEmpty()) text += QStringLiteral("\r\n");
        text += QLatin1Char('[') + section.Name + QStringLiteral("]\r\n");
        for (const auto& [key, value] : section.Values)
            text += key + QLatin1Char('=') + QuoteForWriting(value) + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

void TIniFile::Save(const QString& FileName) const { WriteFileAtomic(FileName, ToBytes()); }

const TIniFile::TSection* TIniFile::FindSection(const QString& Section) const
{
    for (const TSection& s : FSections)
        if (SameName(s.Name, Section)) return &s;
    return nullptr;
}

TIniFile::TSection* TIniFile::FindSection(const QString& Section)
{
    return const_cast<TSection*>(std::as_const(*this).FindSection(Section));
}

QString* TIniFile::FindValue(const QString& Section, const QString& Key)
{
    return const_cast<QString*>(std::as_const(*this).FindValue(Section, Key));
}

const QString* TIniFile::FindValue(const QString& Section, const QString& Key) const
{
    const TSection* s = FindSection(Section);
    if (!s) return nullptr;
    for (const auto& kv : s->Values)
        if (SameName(kv.first, Key)) return &kv.second;
    return nullptr;
}

bool TIniFile::SectionExists(const QString& Section) const { return FindSection(Section) != nullptr; }

bool TIniFile::ValueExists(const QString& Section, const QString& Key) const
{
    return FindValue(Section, Key) != nullptr;
}

QStringList TIniFile::ReadSection(const QString& Section) const
{
    QStringList keys;
    if (const TSection* s = FindSection(Section))
        for (const auto& kv : s->Values) keys << kv.first;
    return keys;
}

QString TIniFile::ReadString(const QString& Section, const QString& Key, const QString& Default) const
{
    const QString* v = FindValue(Section, Key);
    return v ? *v : Default;
}

std::optional<int> TIniFile::ReadInteger(const QString& Section, const QString& Key) const
{
    const QString* v = FindValue(Section, Key);
    if (!v) return std::nullopt;
    QString text = v->trimmed();
    bool ok = false;
    if (text.startsWith(QLatin1Char('$')) || text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        text.remove(0, text.front() == QLatin1Char('$') ? 1 : 2);
        // Hexadecimal takes all 32 bits, as colour and layout values need.
        const quint64 u = text.isEmpty() || text.front() == QLatin1Char('-') || text.front() == QLatin1Char('+')
                              ? 0
                              : text.toULongLong(&ok, 16);
        if (!ok || u > std::numeric_limits<quint32>::max()) return std::nullopt;
        return int(quint32(u));
    }
    const qint64 n = text.toLongLong(&ok, 10);
    if (!ok || n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max()) return std::nullopt;
    return int(n);
}

bool TIniFile::ReadBool(const QString& Section, const QString& Key, bool Default) const
{
    return ReadInteger(Section, Key, Default ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString& Section, const QString& Key, const QString& Value)
{
    const QString section = CleanName(Section);
    const QString key = CleanName(Key);
    if (key.isEmpty()) return;
    if (QString* v = FindValue(section, key)) {
        *v = Value;
        return;
    }
    TSection* s = FindSection(section);
    if (!s) {
        FSections.append({section, {}});
        s = &FSections.last();
    }
    s->Values.append({key, Value});
}

void TIniFile::WriteInteger(const QString& Section, const QString& Key, int Value)
{
    WriteString(Section, Key, QString::number(Value));
}

void TIniFile::WriteBool(const QString& Section, const QString& Key, bool Value)
{
    WriteString(Section, Key, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::EraseSection(const QString& Section)
{
    FSections.removeIf([&](const TSection& s) { return SameName(s.Name, Section); });
}
