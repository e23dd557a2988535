// Build step: the program's resource image from the files in lang/, written
// as a C++ source that the editor embeds.
//   mkuiresources <lang folder> <output .cpp>

#include "app/ProgramResources.h"
#include "core/VocabrixError.h"
#include "platform/AtomicFile.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "usage: mkuiresources <lang folder> <output.cpp>\n";
        return 2;
    }
    try {
        const QByteArray image = BuildProgramResourceImage(args[1]);
        QByteArray source = "// Made by mkuiresources from lang/; do not edit.\n#include \"app/gui/window/UiLanguage.h\"\n\n"
                            "namespace {\nconst unsigned char kImage[] = {";
        for (qsizetype i = 0; i < image.size(); ++i) {
            if (i % 24 == 0) source += "\n";
            source += QByteArray::number(uchar(image[i])) + ',';
        }
        source += "\n};\n} // namespace\n\nQByteArray ProgramResourceImage()\n{\n"
                  "    return QByteArray::fromRawData(reinterpret_cast<const char*>(kImage), sizeof(kImage));\n}\n";
        WriteFileAtomic(args[2], source);
    } catch (const EVocabrixError& e) {
        QTextStream(stderr) << "mkuiresources: " << e.Message() << "\n";
        return 1;
    }
    return 0;
}
