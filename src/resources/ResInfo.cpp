#include "resources/ResInfo.h"

#include "core/TerminalText.h"
#include "langfile/LZCompressor.h"
#include "resources/ResProcessor.h"

#include <QCryptographicHash>
#include <QFile>
#include <algorithm>

namespace {

// An executable, or a compressed one.
bool IsPEFile(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = file.read(9);
    return head.startsWith("MZ") || IsCompressedStream(head);
}

QString Report(const TResProcessor& Processor)
{
    std::vector<const TResStringItem*> strings;
    for (int b = 0; b < Processor.BlockCount(); ++b) {
        if (Processor.Items(b)->ResourceType() != rtString) continue;
        const auto* block = static_cast<const TResString*>(Processor.Items(b));
        for (int i = 0; i < block->Count(); ++i)
            if (!block->Items(i)->Data().isEmpty()) strings.push_back(block->Items(i));
    }
    std::stable_sort(strings.begin(), strings.end(), [](auto* a, auto* b) { return a->Id() < b->Id(); });

    QString out = QStringLiteral("[RT_STRING]\n");
    for (const TResStringItem* s : strings)
        out += QStringLiteral("%1\t%2\n").arg(QString::number(s->Id()), EscapeControls(s->Data()));
    out += QLatin1String("[RT_RCDATA]\n");
    for (int b = 0; b < Processor.BlockCount(); ++b) {
        if (Processor.Items(b)->ResourceType() != rtRCData) continue;
        const auto* block = static_cast<const TResRCData*>(Processor.Items(b));
        for (int i = 0; i < block->Count(); ++i) {
            const TResRCDataItem& item = *block->Items(i);
            const QByteArray sha1 = QCryptographicHash::hash(item.Buffer(), QCryptographicHash::Sha1).toHex();
            out += QStringLiteral("%1\t%2\t%3\n")
                       .arg(EscapeControls(item.Name()), QString::number(item.Size()), QString::fromLatin1(sha1));
        }
    }
    return out;
}

} // namespace

QString ResInfoReport(const QString& FileName)
{
    TResProcessor processor;
    if (IsPEFile(FileName))
        processor.LoadPEFile(FileName);
    else
        processor.LoadResFile(FileName);
    return Report(processor);
}

int RunResInfo(const QString& FileName, QTextStream& Out, QTextStream& Err)
{
    Out.setEncoding(QStringConverter::Utf8);
    Err.setEncoding(QStringConverter::Utf8);
    try {
        Out << ResInfoReport(FileName);
        Out.flush();
        return 0;
    } catch (const EVocabrixError& e) {
        Err << TerminalText(e.Message()) << '\n';
        Err.flush();
        return 1;
    }
}
