#include "resources/FormStreams.h"
#include "resources/FormTree.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestFormTree : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsObjectsPropertiesAndItems();
    void damagedStreamKeepsWhatWasRead_data();
    void damagedStreamKeepsWhatWasRead();
    void everyPrefixOfARealForm();
    void boundsNestingAndCount();
};

namespace {

// A form with a panel holding a button, and a status bar with two panels.
QByteArray SmallForm()
{
    TFormStreamWriter s;
    s.Object("TMainForm", "MainForm").Text("Caption", "Main").Int("ClientWidth", 300).End();
    s.Object("TPanel", "pnl").Set("Anchors", {"akLeft", "akRight"}).End();
    s.Object("TButton", "btn").Text("Caption", "OK").Bool("Default", true).End().End();
    s.End();
    s.Object("TStatusBar", "sb").Collection("Panels");
    s.Item().Text("Text", "one").End().Item().Text("Text", "two").Int("Width", 80).End().End();
    s.End().End();
    s.End();
    return s.Data;
}

} // namespace

void TestFormTree::readsObjectsPropertiesAndItems()
{
    const TFormTree tree = ReadFormTree(SmallForm());
    QVERIFY2(tree.Error.isEmpty(), qPrintable(tree.Error));
    QCOMPARE(tree.ObjectCount, 4);
    const TFormObject& root = *tree.Root;
    QCOMPARE(root.ClassName, QStringLiteral("TMainForm"));
    QCOMPARE(root.Name, QStringLiteral("MainForm"));
    QCOMPARE(root.ComponentName, QString());
    QCOMPARE(root.Text("caption"), QStringLiteral("Main"));
    QCOMPARE(root.Integer("ClientWidth", 0, 100), 100); // clamped
    QCOMPARE(root.Children.size(), size_t(2));
    const TFormObject& panel = *root.Children[0];
    QCOMPARE(panel.Set("Anchors"), (QStringList{"akLeft", "akRight"}));
    QCOMPARE(panel.Children.size(), size_t(1));
    const TFormObject& button = *panel.Children[0];
    QCOMPARE(button.ComponentName, QStringLiteral("btn"));
    QCOMPARE(button.Parent, &panel);
    QCOMPARE(button.Bool("Default"), std::optional<bool>(true));
    const TFormObject& bar = *root.Children[1];
    QCOMPARE(bar.Text("Panels[0].Text"), QStringLiteral("one"));
    QCOMPARE(bar.Text("Panels[1].Text"), QStringLiteral("two"));
    QCOMPARE(bar.Integer("Panels[1].Width", 0, 1000), std::optional<int>(80));
}

void TestFormTree::damagedStreamKeepsWhatWasRead_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<int>("objects"); // -1: no form at all
    const QByteArray good = SmallForm();
    QTest::newRow("not a form stream") << QByteArray("TPF1\x05TForm") << -1;
    QTest::newRow("empty") << QByteArray() << -1;
    QTest::newRow("cut in the button") << good.left(good.indexOf("OK")) << 3;
    QTest::newRow("cut in the collection") << good.left(good.indexOf("two")) << 4;
    QByteArray badCode = good;
    badCode[badCode.indexOf("OK") - 2] = char(0x7F); // the Caption's value code
    QTest::newRow("unknown value code") << badCode << 3;
    QByteArray longString = good;
    // The Caption "OK": a 4-byte length field far beyond the stream.
    const qsizetype at = good.indexOf("OK") - 2;
    longString.replace(at, 2, QByteArray("\x0C\xFF\xFF\xFF\x7F", 5));
    QTest::newRow("string longer than the stream") << longString << 3;
}

void TestFormTree::damagedStreamKeepsWhatWasRead()
{
    QFETCH(QByteArray, stream);
    QFETCH(int, objects);
    const TFormTree tree = ReadFormTree(stream);
    QVERIFY(!tree.Error.isEmpty());
    if (objects < 0) {
        QVERIFY(!tree.Root);
        return;
    }
    QVERIFY(tree.Root);
    QCOMPARE(tree.ObjectCount, objects);
}

void TestFormTree::everyPrefixOfARealForm()
{
    // A stream cut anywhere reads without a crash and never reports more than the whole.
    QFile file(QStringLiteral(TEST_DATA_DIR "/forms/ide_findreplacedialog.bin"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    const TFormTree whole = ReadFormTree(data);
    QVERIFY2(whole.Error.isEmpty(), qPrintable(whole.Error));
    for (qsizetype n = 0; n < data.size(); n += 7) {
        const TFormTree part = ReadFormTree(data.left(n));
        QVERIFY(!part.Error.isEmpty());
        QVERIFY(part.ObjectCount <= whole.ObjectCount);
    }
}

void TestFormTree::boundsNestingAndCount()
{
    // Panels nested 100 deep: the reading stops at the form processor's bound.
    TFormStreamWriter deep;
    deep.Object("TForm1", "Form1").End();
    for (int i = 0; i < 100; ++i) deep.Object("TPanel", "p" + QByteArray::number(i)).End();
    const TFormTree nested = ReadFormTree(deep.Data);
    QVERIFY(nested.Error.contains(QLatin1String("nested too deeply")));
    QVERIFY(nested.ObjectCount > 10 && nested.ObjectCount < 100);

    // More components than any form has.
    TFormStreamWriter wide;
    wide.Object("TForm1", "Form1").End();
    for (int i = 0; i <= kMaxFormObjects; ++i) wide.Object("TLabel", "").End().End();
    wide.End();
    const TFormTree many = ReadFormTree(wide.Data);
    QVERIFY(many.Error.contains(QString::number(kMaxFormObjects)));
    QCOMPARE(many.ObjectCount, kMaxFormObjects);
}

QTEST_GUILESS_MAIN(TestFormTree)
#include "tst_formtree.moc"
