// LZ coder throughput and ratio on about 10 MB of language-file-like data,
// with zlib level 1 on the same bytes as the peer.
#include "langfile/LZCompressor.h"

#include <QString>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>

#ifdef HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

constexpr int Repetitions = 5;

const char* const Words[] = {
    "file",       "open",       "save",     "close",     "edit",    "view",     "help",    "window",   "language",
    "project",    "value",      "item",     "items",     "name",    "text",     "search",  "replace",  "next",
    "previous",   "all",        "selected", "delete",    "insert",  "copy",     "paste",   "cut",      "undo",
    "redo",       "options",    "settings", "translate", "verify",  "hidden",   "column",  "row",      "grid",
    "form",       "unit",       "string",   "resource",  "library", "build",    "create",  "update",   "export",
    "import",     "error",      "warning",  "the",       "a",       "of",       "to",      "in",       "is",
    "can",        "not",        "be",       "this",      "with",    "for",      "new",     "current",  "default",
    "please",     "wait",       "cancel",   "ok",        "yes",     "no",       "changes", "modified", "found",
    "repository", "dictionary", "native",   "target",    "source",  "encoding", "format",  "version",  "status"};
constexpr int WordCount = int(sizeof Words / sizeof *Words);

const char* const Prefixes[] = {"btn", "lbl", "edt", "cb", "mnu", "act", "pnl", "chk", "grp", "tab"};
const char* const Properties[] = {"Caption", "Hint", "Text", "Items.Strings", "Title", "Filter", "DisplayLabel"};

// A UI text: a few words, sometimes with an accelerator, an ellipsis, a
// colon or a format specifier.
QString UiText(std::mt19937& Gen)
{
    QString s;
    const int n = 1 + int(Gen() % (Gen() % 4 ? 3 : 12));
    for (int i = 0; i < n; ++i) {
        if (i) s += QLatin1Char(' ');
        s += QLatin1String(Words[Gen() % WordCount]);
    }
    s[0] = s[0].toUpper();
    switch (Gen() % 8) {
    case 0:
        s.insert(int(Gen() % s.size()), QLatin1Char('&'));
        break;
    case 1:
        s += QLatin1String("...");
        break;
    case 2:
        s += QLatin1Char(':');
        break;
    case 3:
        s += QLatin1String(" %d");
        break;
    case 4:
        s = QLatin1String("%s: ") + s;
        break;
    default:
        break;
    }
    return s;
}

QByteArray Name(std::mt19937& Gen)
{
    QByteArray s = Prefixes[Gen() % 10];
    for (int i = 0, n = 1 + int(Gen() % 2); i < n; ++i) {
        QByteArray w = Words[Gen() % WordCount];
        w[0] = char(std::toupper(uchar(w[0])));
        s += w;
    }
    if (Gen() % 3 == 0) s += QByteArray::number(1 + Gen() % 20);
    return s;
}

// Forms with components and properties as a language file body stores them:
// 8-bit names with length bytes, 16-bit IDs, attribute bits and versions,
// a date, and the value as a length-prefixed UTF-16 text.
QByteArray LanguageFileBody(qsizetype Size)
{
    std::mt19937 Gen(20240611);
    QByteArray b;
    quint16 Id = 1;
    auto U16 = [&](quint16 v) { b.append(char(v & 0xFF)).append(char(v >> 8)); };
    while (b.size() < Size) {
        const QByteArray Form = "T" + Name(Gen) + "Form";
        b.append(char(Form.size())).append(Form);
        for (int c = 0, Components = 3 + int(Gen() % 30); c < Components; ++c) {
            const QByteArray Component = Name(Gen);
            b.append(char(Component.size())).append(Component);
            for (int p = 0, Count = 1 + int(Gen() % 3); p < Count; ++p) {
                const QByteArray Property = Properties[Gen() % 7];
                b.append(char(Property.size())).append(Property);
                U16(Id++);
                b.append(char(2)); // value type
                U16(Gen() % 5 ? 0 : 0x0100);
                U16(quint16(1 + Gen() % 3));
                const double Date = 45000.0 + double(Gen() % 2000) / 7.0;
                b.append(reinterpret_cast<const char*>(&Date), sizeof Date);
                const QString Text = UiText(Gen);
                b.append(char(Text.size()));
                b.append(reinterpret_cast<const char*>(Text.utf16()), Text.size() * 2);
            }
        }
    }
    b.truncate(Size);
    return b;
}

// Best time of a few runs, in seconds.
double Best(const std::function<void()>& Run)
{
    double Result = 1e9;
    for (int i = 0; i < Repetitions; ++i) {
        const auto Start = std::chrono::steady_clock::now();
        Run();
        Result = std::min(Result, std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
    }
    return Result;
}

void Print(const char* Name, double Value, const char* Unit)
{
    std::printf("%s: %.3f%s%s\n", Name, Value, *Unit ? " " : "", Unit);
}

} // namespace

int main()
{
    const QByteArray Data = LanguageFileBody(10 * 1000 * 1000);
    const double Mb = double(Data.size()) / 1e6;

    QByteArray Compressed;
    const double LzCompress = Best([&] { Compressed = CompressBuffer(Data); });
    QByteArray Restored;
    const double LzDecompress = Best([&] { Restored = DecompressBuffer(Compressed); });
    if (Restored != Data) {
        std::fprintf(stderr, "LZ round trip failed\n");
        return 1;
    }
    Print("lz_compress_mb_s", Mb / LzCompress, "MB/s");
    Print("lz_decompress_mb_s", Mb / LzDecompress, "MB/s");

#ifdef HAVE_ZLIB
    QByteArray Zipped;
    const double ZCompress = Best([&] {
        uLongf Size = compressBound(uLong(Data.size()));
        Zipped.resize(qsizetype(Size));
        compress2(reinterpret_cast<Bytef*>(Zipped.data()), &Size, reinterpret_cast<const Bytef*>(Data.constData()),
                  uLong(Data.size()), 1);
        Zipped.resize(qsizetype(Size));
    });
    QByteArray Unzipped(Data.size(), Qt::Uninitialized);
    const double ZDecompress = Best([&] {
        uLongf Size = uLongf(Unzipped.size());
        uncompress(reinterpret_cast<Bytef*>(Unzipped.data()), &Size, reinterpret_cast<const Bytef*>(Zipped.constData()),
                   uLong(Zipped.size()));
    });
    if (Unzipped != Data) {
        std::fprintf(stderr, "zlib round trip failed\n");
        return 1;
    }
    Print("zlib1_compress_mb_s", Mb / ZCompress, "MB/s");
    Print("zlib1_decompress_mb_s", Mb / ZDecompress, "MB/s");
#endif

    Print("lz_ratio", double(Compressed.size()) / double(Data.size()), "");
#ifdef HAVE_ZLIB
    Print("zlib1_ratio", double(Zipped.size()) / double(Data.size()), "");
#endif
    return 0;
}
