// Writes the generated seeds of the fuzz targets into a corpus folder: the
// sample project's files in every form the readers take (compressed language
// files and executables, the .res file and DLL images written from it, its
// form streams, the exchange formats exported from it) and a small
// repository table. Run by fuzz/make-seeds.sh; the output is checked in.

#include "core/Prompt.h"
#include "exchange/Exchange.h"
#include "langfile/LZCompressor.h"
#include "langfile/LangFileProject.h"
#include "repository/LangRepository.h"
#include "repository/RepositoryExchange.h"
#include "resources/PEReader.h"
#include "resources/ResProcessor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>

namespace {

QDir gCorpus;

QByteArray Read(const QString& Path)
{
    QFile f(Path);
    if (!f.open(QIODevice::ReadOnly)) throw EVocabrixError(QStringLiteral("cannot read ") + Path);
    return f.readAll();
}

void Seed(const QString& Target, const QString& Name, const QByteArray& Bytes)
{
    gCorpus.mkpath(Target);
    QFile f(gCorpus.filePath(Target + QLatin1Char('/') + Name));
    if (!f.open(QIODevice::WriteOnly) || f.write(Bytes) != Bytes.size())
        throw EVocabrixError(QStringLiteral("cannot write ") + f.fileName());
}

void LanguageFiles(const QDir& Examples)
{
    for (const QString code : {"ntv", "deu", "fra"}) {
        const QByteArray plain = Read(Examples.filePath(QStringLiteral("Notes.%1.lng").arg(code)));
        Seed("langfile", code + ".lng", plain);
        Seed("langfile", code + ".compressed.lng", CompressBuffer(plain));
        Seed("import_langfile", code + ".lng", plain);
    }
    Seed("lz", "deu.lz", CompressBuffer(Read(Examples.filePath("Notes.deu.lng"))));
    Seed("lz", "repeats.lz", CompressBuffer(QByteArray("abcabcabcabcabcabc") + QByteArray(300, 'x')));
}

void Resources(const QDir& Examples)
{
    const QString exe = Examples.filePath("Notes.exe");
    Seed("pe", "Notes.exe", Read(exe));
    Seed("pe", "Notes.compressed.exe", CompressBuffer(Read(exe)));
    TResProcessor rp;
    rp.LoadPEFile(exe);
    Seed("res", "Notes.res", rp.ResFileData());
    QByteArray dll32, dll64;
    rp.CreateDLLStream(dll32);
    rp.SetIs64Bit(true);
    rp.CreateDLLStream(dll64);
    Seed("pe", "Notes32.dll", dll32);
    Seed("pe", "Notes64.dll", dll64);
    TResRCData* forms = rp.RCData();
    for (int i = 0; forms && i < forms->Count(); ++i)
        if (forms->Items(i)->Buffer().startsWith("TPF0"))
            Seed("form", QStringLiteral("Notes.%1.bin").arg(forms->Items(i)->Name()), forms->Items(i)->Buffer());
}

void Exchange(const QDir& Examples, const QDir& Work)
{
    TLangFileProject project;
    project.Open(Examples.filePath("Notes.ntv.lng"), false, true);
    project.OpenLanguage(Examples.filePath("Notes.deu.lng"), true);
    const struct {
        TExportKind Kind;
        const char* Target;
        const char* Name;
    } kinds[] = {{ekText, "import_text", "deu.txt"},
                 {ekXml, "import_xml", "deu.xml"},
                 {ekXliff12, "import_xliff", "deu12.xlf"},
                 {ekXliff20, "import_xliff", "deu20.xlf"},
                 {ekPo, "import_po", "deu.po"}};
    for (const auto& k : kinds) {
        const QString file = Work.filePath(QLatin1String(k.Name));
        ExportLanguage(project, 1, file, k.Kind, TExportOptions(), TExchangeSelection(), nullptr);
        Seed(k.Target, k.Name, Read(file));
    }
    TExportOptions tabs;
    tabs.Delimiter = QStringLiteral("Tab");
    tabs.Encoding = 1;
    const QString file = Work.filePath("deu16.txt");
    ExportLanguage(project, 1, file, ekText, tabs, TExchangeSelection(), nullptr);
    Seed("import_text", "deu16.txt", Read(file));
}

// A repository of three records in English, German and French: the table
// file's length, the table file and the memo file, as fuzz_table reads it,
// and the memo file alone.
void Table(const QDir& Work)
{
    const QString path = Work.filePath("rep.lr");
    {
        TQLangRepository rep(path);
        rep.OpenOrCreate();
        rep.AddLocales({1033, 1031, 1036});
        rep.AddEditWord(1033, 1031, QStringLiteral("Open"), QStringLiteral("Öffnen"), {});
        rep.AddEditWord(1033, 1036, QStringLiteral("Open"), QStringLiteral("Ouvrir"), {});
        rep.AddEditWord(1033, 1031, QStringLiteral("A longer text that takes several memo blocks of the file"),
                        QStringLiteral("Ein längerer Text, der mehrere Blöcke der Memodatei braucht"), {});
        rep.AddEditWord(1033, 1031, QStringLiteral("Close"), QStringLiteral("Schließen"), {});
        // The repository's own exchange formats, for the repository import.
        TRecordingPrompt prompt;
        TRepExportOptions options;
        options.BaseLocale = 1033;
        options.Locales = {1031, 1036};
        options.FileName = Work.filePath("rep.xml");
        ExportToXML(rep, options, prompt);
        Seed("import_repository", "rep.xml", Read(options.FileName));
        options.Format = sfDelphi;
        ExportToXML(rep, options, prompt);
        Seed("import_repository", "rep-delphi.xml", Read(options.FileName));
        options.FileName = Work.filePath("rep.tmx");
        ExportToTMX(rep, options, prompt);
        Seed("import_repository", "rep.tmx", Read(options.FileName));
        rep.First();
        rep.Delete(); // a free chain in both files
        rep.Close();
    }
    const QByteArray table = Read(path), memo = Read(Work.filePath("rep.mem"));
    const quint32 size = quint32(table.size());
    Seed("table", "repository", QByteArray(reinterpret_cast<const char*>(&size), 4) + table + memo);
    Seed("memo", "repository.mem", memo);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: MakeSeeds <examples folder> <corpus folder>\n");
        return 2;
    }
    gCorpus = QDir(QString::fromLocal8Bit(argv[2]));
    QTemporaryDir work;
    try {
        const QDir examples(QString::fromLocal8Bit(argv[1]));
        LanguageFiles(examples);
        Resources(examples);
        Exchange(examples, QDir(work.path()));
        Table(QDir(work.path()));
    } catch (const EVocabrixError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
