#include "resources/FormProcessor.h"
#include "resources/ResProcessor.h"
#include "storage/Locales.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>
#include <cstring>

namespace {

const uint16_t kEnglish = 0x0409, kGerman = 0x0407, kRussian = 0x0419, kArabic = 0x0401;

QByteArray ReadFixture(const QString& name)
{
    QFile f(QStringLiteral(TEST_DATA_DIR "/forms/") + name);
    if (!f.open(QIODevice::ReadOnly)) qFatal("missing fixture %s", qPrintable(name));
    return f.readAll();
}

// Builds streams byte by byte, independently of the writer under test.
struct TStream {
    QByteArray b = "TPF0";

    TStream& Raw(std::initializer_list<int> bytes)
    {
        for (int x : bytes) b.append(char(x));
        return *this;
    }
    TStream& Str(const QByteArray& s) // short string
    {
        b.append(char(s.size())).append(s);
        return *this;
    }
    TStream& Object(const QByteArray& cls, const QByteArray& name) { return Str(cls).Str(name); }
    TStream& Prop(const QByteArray& name) { return Str(name); }
    TStream& String(const QByteArray& s) { return Raw({vaString}).Str(s); }
    TStream& Ident(const QByteArray& s) { return Raw({vaIdent}).Str(s); }
    TStream& Int32(int32_t v)
    {
        b.append(char(vaInt32)).append(reinterpret_cast<const char*>(&v), 4);
        return *this;
    }
    TStream& End() { return Raw({0}); }
};

// An independent reading of a stream into (component, property, element, value)
// lines, using the storage's naming: values compare as text, whatever their
// encoding.
class TDump {
public:
    explicit TDump(const QByteArray& data) : d(data)
    {
        Take(4);
        Object(QString(), QString());
    }
    QStringList Lines;

private:
    QByteArray Take(int n)
    {
        if (p + n > d.size()) throw std::runtime_error("truncated");
        const QByteArray r = d.mid(p, n);
        p += n;
        return r;
    }
    uint8_t Byte() { return uint8_t(Take(1)[0]); }
    uint8_t Peek() const { return uint8_t(d.at(p)); }
    QString Str()
    {
        const int n = Byte();
        return QString::fromLatin1(Take(n));
    }
    template <class T> T Num()
    {
        T v;
        std::memcpy(&v, Take(sizeof(T)).constData(), sizeof(T));
        return v;
    }
    qint64 Int()
    {
        switch (Byte()) {
        case vaInt8:
            return Num<int8_t>();
        case vaInt16:
            return Num<int16_t>();
        case vaInt32:
            return Num<int32_t>();
        }
        throw std::runtime_error("integer expected");
    }
    static QString Join(const QString& a, const QString& b) { return a.isEmpty() ? b : a + '.' + b; }

    void Object(const QString& storageName, const QString& inlinePath)
    {
        int flags = 0;
        if ((Peek() & 0xF0) == 0xF0) flags = Byte() & 0x0F;
        if (flags & 2) Int();
        Str();
        Str();
        const QString comp = (flags & 1) && !inlinePath.isEmpty() ? inlinePath + '.' + storageName : storageName;
        while (Peek() != 0) Property(comp);
        Byte();
        while (Peek() != 0) {
            const int at = p;
            int childFlags = 0;
            if ((Peek() & 0xF0) == 0xF0) childFlags = Byte() & 0x0F;
            if (childFlags & 2) Int();
            Str();
            const QString name = Str();
            p = at;
            const bool isInline = !(childFlags & 1) && (childFlags & 4);
            Object(name, isInline ? Join(inlinePath, name) : inlinePath);
        }
        Byte();
    }
    void Property(const QString& comp)
    {
        const QString name = Str();
        Value(comp, name, -1);
    }
    void Value(const QString& comp, const QString& prop, int index)
    {
        const QString key = comp + '|' + prop + '|' + QString::number(index) + '|';
        const int code = Byte();
        switch (code) {
        case vaList:
            for (int i = 0; Peek() != 0; ++i) Value(comp, prop, i);
            Byte();
            return;
        case vaInt8:
        case vaInt16:
        case vaInt32:
            --p;
            Lines << key + QString::number(Int());
            return;
        case vaInt64:
            Lines << key + QString::number(Num<qint64>());
            return;
        case vaString:
            Lines << key + "T:" + AnsiToWide(Take(Byte()), 1252);
            return;
        case vaLString:
            Lines << key + "T:" + AnsiToWide(Take(Num<quint32>()), 1252);
            return;
        case vaUTF8String:
            Lines << key + "T:" + QString::fromUtf8(Take(Num<quint32>()));
            return;
        case vaWString: {
            const QByteArray raw = Take(Num<quint32>() * 2);
            Lines << key +
                         "T:" + QString::fromUtf16(reinterpret_cast<const char16_t*>(raw.constData()), raw.size() / 2);
            return;
        }
        case vaIdent:
            Lines << key + "I:" + Str();
            return;
        case vaFalse:
        case vaTrue:
        case vaNil:
            Lines << key + QString::number(code);
            return;
        case vaExtended:
            Lines << key + Take(10).toHex();
            return;
        case vaSingle:
            Lines << key + Take(4).toHex();
            return;
        case vaDouble:
        case vaCurrency:
        case vaDate:
            Lines << key + Take(8).toHex();
            return;
        case vaBinary:
            Lines << key + Take(Num<quint32>()).toHex();
            return;
        case vaSet: {
            QStringList items;
            for (QString s = Str(); !s.isEmpty(); s = Str()) items << s;
            Lines << key + "S:" + items.join(',');
            return;
        }
        case vaCollection:
            for (int i = 0; Peek() != 0; ++i) {
                const qint64 itemIndex = Peek() != vaList ? Int() : i;
                if (Byte() != vaList) throw std::runtime_error("list expected");
                const QString item = comp + '.' + prop + '[' + QString::number(itemIndex) + ']';
                while (Peek() != 0) Property(item);
                Byte();
            }
            Byte();
            return;
        }
        throw std::runtime_error("unknown value");
    }

    const QByteArray d;
    int p = 0;
};

struct TLine {
    QString Comp, Prop;
    int Index;
    QString Value;
};
TLine Split(const QString& line)
{
    const QStringList parts = line.split('|');
    return {parts[0], parts[1], parts[2].toInt(), parts.mid(3).join('|')};
}

// A storage with the native column and one target column.
struct TProject {
    TLocStorage s;
    explicit TProject(uint16_t target = kGerman)
    {
        s.SetMainLangID(kEnglish);
        s.AddLanguage(0, target);
    }
    // A property with its native value; Translation nullptr leaves it untranslated.
    TLocProperty* Add(const QString& form, const QString& comp, const QString& name, TLocValueType type,
                      const QString& native, const char* translation, uint16_t attributes = 0)
    {
        TLocForm* f = s.Forms().Add(form);
        TLocComponent* holder = comp.isEmpty() ? static_cast<TLocComponent*>(f) : f->Components().Add(comp);
        TLocProperty* p = holder->Properties().Add(-1, name, type);
        p->MainValue()->SetValue(native);
        p->MainValue()->SetValueVersion(2);
        p->MainValue()->SetAttributes(attributes);
        TLocValue* v = p->Values().Items(1);
        v->SetValue(translation ? QString::fromUtf8(translation) : "untranslated " + native);
        v->SetValueVersion(translation ? 2 : 1);
        return p;
    }
};

QByteArray Translate(TLocFormProcessor& fp, const QByteArray& src)
{
    QByteArray out;
    if (!fp.UpdateBinStream(src, out)) qFatal("form declined");
    return out;
}

TLocFormProcessor Processor(TProject& project, bool unicode = true)
{
    TLocFormProcessor fp;
    fp.SetLocStorage(&project.s);
    fp.SetLangIndex(1);
    fp.SetLangLocale(project.s.Locales(1));
    fp.SetUnicodeProject(unicode);
    return fp;
}

QString ErrorOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const ELocFormProcessorError& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

const char* const kFixtures[] = {
    "examples_translation_main",
    "components_tachart_demo_events_Main",
    "components_sqldbrest_design_frasqldbfullrestschemaaditor",
    "components_lazreport_samples_enduser_reports_dbf_demo_unit1",
    "components_onlinepackagemanager_opkman_opensslfrm",
    "components_plotfunction_demo_event_frmmain",
    "components_chmhelp_lhelp_chmpopup",
    "ide_findreplacedialog",
    "examples_dockmanager_ide_demo2_feditbook2",
};

} // namespace

class TestFormProcessor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void realFormsPassThroughUnchanged_data()
    {
        QTest::addColumn<QString>("file");
        for (const char* f : kFixtures) QTest::newRow(f) << QString::fromLatin1(f) + ".bin";
    }
    // Nothing translated, a non-Unicode project into a code page that keeps
    // every byte: the stream comes out as it went in.
    void realFormsPassThroughUnchanged()
    {
        QFETCH(QString, file);
        const QByteArray src = ReadFixture(file);
        TProject project;
        TLocFormProcessor fp = Processor(project, false);
        QCOMPARE(Translate(fp, src), src);
    }

    void realFormsTranslateExactlyTheirStrings_data() { realFormsPassThroughUnchanged_data(); }
    // Every string of the stream gets a translation; the output differs from
    // the source in exactly those values.
    void realFormsTranslateExactlyTheirStrings()
    {
        QFETCH(QString, file);
        const QByteArray src = ReadFixture(file);
        const QStringList before = TDump(src).Lines;

        TProject project;
        QStringList expected;
        QMap<QString, QStringList> lists; // comp|prop -> elements
        QSet<QString> mixedLists;
        for (const QString& line : before) {
            const TLine l = Split(line);
            if (l.Index >= 0) {
                if (!l.Value.startsWith("T:")) mixedLists.insert(l.Comp + '|' + l.Prop);
                lists[l.Comp + '|' + l.Prop] << l.Value.mid(2);
            }
        }
        // The root's name is the form's name in the storage.
        const QString formName = [&] {
            int p = 4;
            if ((uchar(src[p]) & 0xF0) == 0xF0) ++p; // the root never carries a position
            p += 1 + uchar(src[p]);
            return QString::fromLatin1(src.mid(p + 1, uchar(src[p])));
        }();
        for (const QString& line : before) {
            const TLine l = Split(line);
            const QString key = l.Comp + '|' + l.Prop;
            if (l.Index < 0 && l.Value.startsWith("T:")) {
                const QString native = l.Value.mid(2);
                const QString translation = QString::fromUtf8("Ü:") + native;
                project.Add(formName, l.Comp, l.Prop, ptString, native, translation.toUtf8().constData());
                expected << QString("%1|%2|-1|T:%3").arg(l.Comp, l.Prop, translation);
            } else if (l.Index >= 0 && !mixedLists.contains(key)) {
                if (l.Index == 0) {
                    QStringList translated;
                    for (const QString& e : lists[key]) translated << QString::fromUtf8("Ü:") + e;
                    project.Add(formName, l.Comp, l.Prop, ptStringList, lists[key].join("\r\n"),
                                translated.join("\r\n").toUtf8().constData());
                }
                expected << QString("%1|%2|%3|T:Ü:%4").arg(l.Comp, l.Prop).arg(l.Index).arg(l.Value.mid(2));
            } else {
                expected << line;
            }
        }
        TLocFormProcessor fp = Processor(project);
        QCOMPARE(TDump(Translate(fp, src)).Lines, expected);
    }

    void malformedStreamsFailCleanly()
    {
        // Every truncation of a real form.
        const QByteArray src = ReadFixture("components_tachart_demo_events_Main.bin");
        TProject project;
        TLocFormProcessor fp = Processor(project);
        for (int n = 0; n < src.size(); ++n) {
            QByteArray out;
            const QString message = ErrorOf([&] { fp.UpdateBinStream(src.left(n), out); });
            QVERIFY2(message.startsWith("Error during processing form "), qPrintable(QString::number(n)));
            QVERIFY(out.isEmpty());
        }
        // Randomly damaged copies either pass or fail with the unit's message.
        QRandomGenerator random(6);
        for (int n = 0; n < 2000; ++n) {
            QByteArray damaged = src, out;
            for (int k = random.bounded(1, 5); k > 0; --k)
                damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
            const QString message = ErrorOf([&] { fp.UpdateBinStream(damaged, out); });
            QVERIFY2(message == "<no error>" || message.startsWith("Error during processing form "),
                     qPrintable(message));
        }
        QCOMPARE(ErrorOf([&] { Translate(fp, src.left(200)); }),
                 "Error during processing form Form1\r\nStream read error");
        QCOMPARE(ErrorOf([&] { Translate(fp, "TPF1"); }), "Error during processing form \r\nInvalid stream format");

        // A length running past the end.
        TStream longString;
        longString.Object("TForm", "F").Prop("Caption").Raw({vaLString, 0xFF, 0xFF, 0xFF, 0x7F, 'a'});
        QCOMPARE(ErrorOf([&] { Translate(fp, longString.b); }), "Error during processing form F\r\nStream read error");
        TStream binary;
        binary.Object("TForm", "F").Prop("Data").Raw({vaBinary, 0xFF, 0xFF, 0xFF, 0xFF});
        QCOMPARE(ErrorOf([&] { Translate(fp, binary.b); }), "Error during processing form F\r\nStream read error");

        // An unknown value code.
        TStream unknown;
        unknown.Object("TForm", "F").Prop("Tag").Raw({22}).End().End();
        QCOMPARE(ErrorOf([&] { Translate(fp, unknown.b); }),
                 "Error during processing form F\r\nError reading F.Tag: 22");

        // Nesting far deeper than any form: lists, and objects.
        TStream lists;
        lists.Object("TForm", "F").Prop("Items");
        for (int i = 0; i < 100000; ++i) lists.Raw({vaList});
        QCOMPARE(ErrorOf([&] { Translate(fp, lists.b); }),
                 "Error during processing form F\r\nObjects are nested too deeply");
        TStream objects;
        objects.Object("TForm", "F");
        for (int i = 0; i < 100000; ++i) objects.End().Object("TPanel", "P");
        QCOMPARE(ErrorOf([&] { Translate(fp, objects.b); }),
                 "Error during processing form F\r\nObjects are nested too deeply");
    }

    void stringListTakesTranslatedLines()
    {
        TProject project;
        project.Add("F", "cmb", "Items.Strings", ptStringList, "one\r\ntwo\r\nthree", "eins\r\nzwei");
        TStream src;
        src.Object("TForm", "F").End().Object("TComboBox", "cmb").Prop("Items.Strings");
        src.Raw({vaList}).String("one").String("two").String("three").End().End().End().End();
        TLocFormProcessor fp = Processor(project);
        TStream expected;
        expected.Object("TForm", "F").End().Object("TComboBox", "cmb").Prop("Items.Strings");
        expected.Raw({vaList}).String("eins").String("zwei").String("three").End().End().End().End();
        QCOMPARE(Translate(fp, src.b), expected.b);
    }

    void chosenValue_data()
    {
        QTest::addColumn<bool>("showUntranslated");
        QTest::addColumn<QByteArray>("translation");
        QTest::addColumn<uint16_t>("attributes");
        QTest::addColumn<QByteArray>("expected");
        // A null translation leaves the value untranslated.
        QTest::newRow("translated") << false << QByteArray("Hallo") << uint16_t(0) << QByteArray("Hallo");
        QTest::newRow("untranslated, as is") << true << QByteArray() << uint16_t(0) << QByteArray("untranslated Hello");
        QTest::newRow("untranslated, native") << false << QByteArray() << uint16_t(0) << QByteArray("Hello");
        QTest::newRow("empty translation keeps the stream")
            << false << QByteArray("") << uint16_t(0) << QByteArray("Stream");
        QTest::newRow("untranslatable") << true << QByteArray("Hallo") << vaUntranslatable << QByteArray("Stream");
    }
    void chosenValue()
    {
        QFETCH(bool, showUntranslated);
        QFETCH(QByteArray, translation);
        QFETCH(uint16_t, attributes);
        QFETCH(QByteArray, expected);
        TProject project;
        project.Add("F", "", "Caption", ptString, "Hello", translation.isNull() ? nullptr : translation.constData(),
                    attributes);
        TLocFormProcessor fp = Processor(project);
        fp.SetShowUntranslatedAsIs(showUntranslated);
        TStream src, out;
        src.Object("TForm", "F").Prop("Caption").String("Stream").End().End();
        out.Object("TForm", "F").Prop("Caption").String(expected).End().End();
        QCOMPARE(Translate(fp, src.b), out.b);
    }

    void numbersAndEncodings()
    {
        TProject project;
        project.Add("F", "", "Width", ptInteger, "640", "720");
        project.Add("F", "", "Scale", ptFloat, "1", "1.5");
        project.Add("F", "", "Price", ptFloat, "1", "2.25");
        project.Add("F", "", "Big", ptBigInt, "1", "5000000000");
        project.Add("F", "", "Height", ptInteger, "480", "not a number");
        TStream src;
        src.Object("TForm", "F").Prop("Width").Int32(640).Prop("Tag").Int32(5).Prop("Height").Int32(480);
        src.Prop("Scale").Raw({vaExtended, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F});
        src.Prop("Price").Raw({vaCurrency, 0x10, 0x27, 0, 0, 0, 0, 0, 0});
        src.Prop("Big").Raw({vaInt64, 1, 0, 0, 0, 0, 0, 0, 0}).End().End();
        TStream expected;
        expected.Object("TForm", "F").Prop("Width").Raw({vaInt16, 0xD0, 0x02}).Prop("Tag").Raw({vaInt8, 5});
        expected.Prop("Height").Raw({vaInt16, 0xE0, 0x01});
        expected.Prop("Scale").Raw({vaExtended, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F});
        expected.Prop("Price").Raw({vaCurrency, 0xE4, 0x57, 0, 0, 0, 0, 0, 0});
        expected.Prop("Big").Raw({vaInt64, 0x00, 0xF2, 0x05, 0x2A, 0x01, 0, 0, 0}).End().End();
        TLocFormProcessor fp = Processor(project);
        QCOMPARE(Translate(fp, src.b).toHex(' '), expected.b.toHex(' '));

        char b[10];
        for (double v : {0.0, 1.0, -2.5, 1e-300, 6.02e23, 0.1}) {
            DoubleToExtended(v, b);
            QCOMPARE(ExtendedToDouble(b), v);
        }
    }

    void unicodeStringEncoding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("ascii") << "Hello" << int(vaString);
        QTest::newRow("long ascii") << QString(300, 'a') << int(vaLString);
        QTest::newRow("latin") << QString::fromUtf8("Grüße") << int(vaUTF8String);
        QTest::newRow("cjk") << QString::fromUtf8("简体中文") << int(vaWString);
        QTest::newRow("empty") << QString() << int(vaWString);
    }
    void unicodeStringEncoding()
    {
        QFETCH(QString, text);
        QFETCH(int, code);
        QByteArray out;
        TQWriter(out).WriteUnicodeString(text);
        QCOMPARE(int(out.at(0)), code);
        const QString dumped = Split(TDump("TPF0\x05TForm\x01"
                                           "F\x01P" +
                                           out + QByteArray(2, 0))
                                         .Lines.value(0))
                                   .Value;
        QCOMPARE(dumped, "T:" + text);
    }

    void ansiStringsUseTheLanguagesCodePage()
    {
        TProject project(kRussian);
        project.Add("F", "", "Caption", ptString, "Hello", "Привет");
        project.Add("F", "", "Hint", ptString, "Hint", QByteArray(300, 'x').constData());
        TLocFormProcessor fp = Processor(project, false);
        TStream src;
        src.Object("TForm", "F").Prop("Caption").String("Hello").Prop("Hint").String("Hint").End().End();
        const QByteArray out = Translate(fp, src.b);
        QVERIFY(out.contains(QByteArray("\x06\x06") + WideToAnsi(QString::fromUtf8("Привет"), 1251)));
        QVERIFY(out.contains(QByteArray("\x0C\x2C\x01\x00\x00", 5) + QByteArray(300, 'x')));
    }

    void rightToLeftOnTheFormOnly()
    {
        TProject project(kArabic);
        TStream src;
        src.Object("TForm", "F").Prop("Caption").String("Hi").End();
        src.Object("TButton", "b").Prop("Caption").String("OK").End().End().End();
        TStream expected;
        expected.Object("TForm", "F").Prop("Caption").String("Hi").Prop("BiDiMode").Ident("bdRightToLeft").End();
        expected.Object("TButton", "b").Prop("Caption").String("OK").End().End().End();
        TLocFormProcessor fp = Processor(project);
        QCOMPARE(Translate(fp, src.b), expected.b);
        fp.SetProcessBiDiMode(false);
        QCOMPARE(Translate(fp, src.b), src.b);

        // A BiDiMode already in the form is rewritten instead.
        TStream withMode;
        withMode.Object("TForm", "F")
            .Prop("Caption")
            .String("Hi")
            .Prop("Font.BiDiMode")
            .Ident("bdLeftToRight")
            .End()
            .End();
        fp.SetProcessBiDiMode(true);
        QVERIFY(Translate(fp, withMode.b).endsWith(TStream().Ident("bdRightToLeft").End().End().b.mid(4)));
        QVERIFY(!Translate(fp, withMode.b)
                     .contains("\x08"
                               "BiDiMode"));
    }

    void charsetForNonUnicodeProjects()
    {
        TProject project(kRussian);
        project.s.Forms().Add("F")->Components().Add("kept")->SetAttributes(caNoCharset);
        project.s.Forms().Add("F")->Components().Add("label");
        TStream src;
        src.Object("TForm", "F").End();
        src.Object("TLabel", "label").Prop("Font.Charset").Ident("DEFAULT_CHARSET").End().End();
        src.Object("TLabel", "kept").Prop("Font.Charset").Ident("DEFAULT_CHARSET").End().End().End();
        TLocFormProcessor fp = Processor(project, false);
        const QByteArray out = Translate(fp, src.b);
        QCOMPARE(out.count("RUSSIAN_CHARSET"), 1);
        QVERIFY(out.indexOf("RUSSIAN_CHARSET") < out.indexOf("kept"));
        fp.SetUnicodeProject(true);
        QCOMPARE(Translate(fp, src.b), src.b);
    }

    void namingOfCollectionsFramesAndUnnamedChildren()
    {
        TProject project;
        project.Add("F", "grid.Columns[0]", "Title", ptString, "Name", "Name DE");
        project.Add("F", "grid.Columns[5]", "Title", ptString, "Size", "Größe");
        project.Add("F", "frame.lbl", "Caption", ptString, "In frame", "Im Rahmen");
        // The root's own name is empty: names built from it begin with ".".
        project.Add("F", ".Items[0]", "Caption", ptString, "Root item", "Wurzel");
        // An unnamed child: parent, class name and its position among its siblings.
        project.Add("F", ".TBevel3", "Hint", ptString, "Bevel", "Fase");
        project.Add("F", "grid.TLabel1", "Caption", ptString, "Unnamed", "Unbenannt");
        TStream src;
        src.Object("TForm", "F").Prop("Items").Raw({vaCollection, vaList}).Prop("Caption").String("Root item");
        src.End().End().End();
        src.Object("TGrid", "grid").Prop("Columns").Raw({vaCollection, vaList}).Prop("Title").String("Name").End();
        src.Raw({vaInt8, 5, vaList}).Prop("Title").String("Size").End().End().End();
        src.Object("TLabel", "").Prop("Caption").String("Unnamed").End().End().End();
        src.Raw({0xF4}).Object("TFrame1", "frame").End();
        src.Raw({0xF1}).Object("TLabel", "lbl").Prop("Caption").String("In frame").End().End().End();
        src.Object("TBevel", "").Prop("Hint").String("Bevel").End().End().End();
        TLocFormProcessor fp = Processor(project);
        const QStringList lines = TDump(Translate(fp, src.b)).Lines;
        QCOMPARE(lines, (QStringList{".Items[0]|Caption|-1|T:Wurzel", "grid.Columns[0]|Title|-1|T:Name DE",
                                     QString::fromUtf8("grid.Columns[5]|Title|-1|T:Größe"), "|Caption|-1|T:Unbenannt",
                                     "frame.lbl|Caption|-1|T:Im Rahmen", "|Hint|-1|T:Fase"}));
    }

    // A report component, at any depth, gets the external group of the form and its name.
    void reportComponentsGetAnExternalGroup()
    {
        TProject project;
        TStream src;
        src.Object("TForm", "F").End().Object("TPanel", "pnl").End();
        src.Object("TfrxReport", "rep").End().End().End().End();
        TLocFormProcessor fp = Processor(project);
        fp.SetProcessFRComponents(false);
        QCOMPARE(Translate(fp, src.b), src.b);
        QCOMPARE(project.s.ExtGroups().Count(), 0);
        fp.SetProcessFRComponents(true);
        QCOMPARE(Translate(fp, src.b), src.b);
        QCOMPARE(project.s.ExtGroups().Count(), 1);
        QVERIFY(project.s.ExtGroups().FindByName("FRFORM:F:rep"));
    }

    void addedProperties()
    {
        TProject project;
        project.Add("F", "btn", "Caption", ptString, "OK", "Gut", vaAddedProperty);
        project.Add("F", "btn", "Items", ptStringList, "a\r\nb", "x\r\ny", vaAddedProperty);
        project.Add("F", "btn", "Tag", ptInteger, "7", "300", vaAddedProperty);
        project.Add("F", "btn", "Align", ptEnumValue, "alNone", "alTop", vaAddedProperty);
        project.Add("F", "btn", "Data", ptBinary, "", "", vaAddedProperty);
        TStream src;
        src.Object("TForm", "F").End().Object("TButton", "btn").Prop("Left").Raw({vaInt8, 1}).End().End().End();
        TStream expected;
        expected.Object("TForm", "F").End().Object("TButton", "btn").Prop("Left").Raw({vaInt8, 1});
        expected.Prop("Align").Ident("alTop").Prop("Caption").String("Gut");
        expected.Prop("Items").Raw({vaList}).String("x").String("y").End();
        expected.Prop("Tag").Raw({vaInt16, 0x2C, 0x01}).End().End().End();
        TLocFormProcessor fp = Processor(project);
        QCOMPARE(Translate(fp, src.b), expected.b);
    }

    void formsInsideResources()
    {
        TProject project;
        project.Add("Form1", "", "Caption", ptString, "One", "Eins");
        project.Add("Form2", "", "Caption", ptString, "Two", "Zwei");
        project.Add("Form3", "", "Caption", ptString, "Three", "Drei");
        TResProcessor rp;
        TLocFormProcessor fp = Processor(project);
        fp.SetPrjForms({"Form1", "Form2", "Form3"});
        QCOMPARE(ErrorOf([&] { fp.UpdateFormsByResource(rp); }), "Can't find RCDATA block");

        auto* rcdata = static_cast<TResRCData*>(rp.AddBlock(std::make_unique<TResRCData>(&rp)));
        TStream f1, f2, broken;
        f1.Object("TForm1", "Form1").Prop("Caption").String("One").End().End();
        f2.Object("TForm2", "Form2").Prop("Caption").String("Two").End().End();
        broken.Object("TForm3", "Form3").Prop("Caption").Raw({vaString, 9});
        rcdata->Add("TMEFORM1", false)->Buffer() = f1.b;
        rcdata->Add("TFORM2", false)->Buffer() = f2.b;
        rcdata->Add("TFORM3", false)->Buffer() = broken.b;
        QCOMPARE(ErrorOf([&] { fp.UpdateFormsByResource(rp); }),
                 "Error during processing form Form3\r\nStream read error");
        QVERIFY(rcdata->ItemByName("TMEFORM1")->Buffer().contains("Eins"));
        QVERIFY(rcdata->ItemByName("TFORM2")->Buffer().contains("Zwei"));
        QCOMPARE(rcdata->ItemByName("TFORM3")->Buffer(), broken.b);

        // A declined form is dropped from the storage and its resource kept.
        QStringList seen;
        fp.SetBeforeFormProcessing(
            [](TLocFormProcessor*, const QString& name, bool& process) { process = name != "Form2"; });
        fp.SetAfterFormProcessing([&](TLocFormProcessor*, const QString& name) { seen << name; });
        fp.SetPrjForms({"Form1", "Form2"});
        rcdata->ItemByName("TFORM2")->Buffer() = f2.b;
        fp.UpdateFormsByResource(rp);
        QCOMPARE(seen, QStringList{"Form1"});
        QCOMPARE(rcdata->ItemByName("TFORM2")->Buffer(), f2.b);
        QCOMPARE(project.s.Forms().IndexByName("Form2"), -1);
    }
};

QTEST_GUILESS_MAIN(TestFormProcessor)
#include "tst_formprocessor.moc"
