// Writes the sample project "Notes" (a small note-taking application) into a
// folder: the native file Notes.ntv.lng, a partly translated German file and a
// barely started French one, and the application's executable Notes.exe (its
// string table, its forms and library settings record). Run: make_examples <folder>

#include "core/ByteStream.h"
#include "core/DateTime.h"
#include "langfile/LangFile.h"
#include "platform/AtomicFile.h"
#include "resources/ResProcessor.h"
#include "storage/Locales.h"

#include <QCoreApplication>
#include <QDir>
#include <cfloat>
#include <cstdio>
#include <cstdlib>

namespace {

const uint16_t kEnglish = 0x0409, kGerman = 0x0407, kFrench = 0x040C;
const double kEdited = 46000.375; // 2025-12-09 09:00, a fixed time so the files do not change between runs

struct TProp {
    const char* Component; // empty: the form itself
    const char* Name;
    TLocValueType Type;
    const char* English;
    const char* German; // nullptr: not translated
    const char* French;
};

struct TForm {
    const char* Name; // the form's object name; its class and resource are "T" + Name
    uint16_t Attributes;
    std::initializer_list<TProp> Props;
};

// Component names of the storage: "comp", "comp.Collection[i]" for the items of
// a collection, "frame.comp" for a component inherited inside a frame.
const TForm kForms[] = {
    {"MainForm",
     0,
     {
         {"", "Caption", ptString, "Notes", "Notizen", "Notes"},
         {"", "Width", ptInteger, "640", "720", nullptr},
         {"", "Height", ptInteger, "480", nullptr, nullptr},
         {"mnuFile", "Caption", ptString, "&File", "&Datei", "&Fichier"},
         {"mnuFileNew", "Caption", ptString, "&New", "&Neu", nullptr},
         {"mnuFileOpen", "Caption", ptString, "&Open...", "Ö&ffnen...", nullptr},
         {"mnuFileSave", "Caption", ptString, "&Save", "&Speichern", nullptr},
         {"mnuFileSaveAs", "Caption", ptString, "Save &As...", nullptr, nullptr},
         {"mnuFileExit", "Caption", ptString, "E&xit", "&Beenden", nullptr},
         {"mnuEdit", "Caption", ptString, "&Edit", "&Bearbeiten", nullptr},
         {"mnuEditFind", "Caption", ptString, "&Find...", "&Suchen...", nullptr},
         {"mnuEditFind", "Hint", ptString, "Find text in the note", nullptr, nullptr},
         {"edtNote", "Font.Size", ptInteger, "10", nullptr, nullptr},
         {"cmbCategory", "Items.Strings", ptStringList, "Personal\r\nWork\r\nIdeas\r\nTo do",
          "Privat\r\nArbeit\r\nIdeen\r\nZu erledigen", nullptr},
         {"sbStatus", "SimpleText", ptString, "Ready", "Bereit", nullptr},
         {"sbStatus.Panels[0]", "Text", ptString, "Line 1", "Zeile 1", nullptr},
         {"sbStatus.Panels[1]", "Text", ptString, "Modified", "Geändert", nullptr},
     }},
    {"FindDialog",
     0,
     {
         {"", "Caption", ptString, "Find", "Suchen", nullptr},
         {"lblFind", "Caption", ptString, "Fi&nd what:", "&Suchen nach:", nullptr},
         {"chkMatchCase", "Caption", ptString, "Match &case", nullptr, nullptr},
         {"chkWholeWord", "Caption", ptString, "&Whole words only", nullptr, nullptr},
         {"rgDirection", "Items.Strings", ptStringList, "&Up\r\n&Down", "Nach &oben\r\nNach &unten", nullptr},
         {"btnFindNext", "Caption", ptString, "&Find Next", "&Weitersuchen", nullptr},
         {"btnCancel", "Caption", ptString, "Cancel", "Abbrechen", "Annuler"},
     }},
    {"OptionsForm",
     0,
     {
         {"", "Caption", ptString, "Options", "Optionen", nullptr},
         {"lblAutoSave", "Caption", ptString, "Save automatically every %d minutes", nullptr, nullptr},
         {"speAutoSave", "Value", ptInteger, "5", nullptr, nullptr},
         {"lblZoom", "Caption", ptString, "&Zoom:", "&Zoom:", nullptr},
         {"trkZoom", "Frequency", ptFloat, "0.25", nullptr, nullptr},
         {"lblLineSpacing", "Caption", ptString, "Line spacing:", nullptr, nullptr},
         {"edtLineSpacing", "Value", ptFloat, "1.5", "1.5", nullptr},
         {"fraFont", "Hint", ptString, "Font of new notes", nullptr, nullptr},
         {"fraFont.lblFont", "Caption", ptString, "&Font:", "&Schrift:", nullptr},
         {"fraFont.btnChoose", "Caption", ptString, "Choose...", "Auswählen...", nullptr},
         {"btnOK", "Caption", ptString, "OK", "OK", "OK"},
         {"btnCancel", "Caption", ptString, "Cancel", "Abbrechen", "Annuler"},
     }},
    {"AboutBox",
     faRuntimeForm,
     {
         {"", "Caption", ptString, "About Notes", "Über Notizen", nullptr},
         {"lblVersion", "Caption", ptString, "Version %s", "Version %s", nullptr},
         {"lblCopyright", "Caption", ptString, "Copyright (c) 2026 Oxvel", nullptr, nullptr},
         {"btnOK", "Caption", ptString, "OK", "OK", nullptr},
     }},
};

// Components whose font keeps its character set (the note editor shows the
// user's own text).
const char* const kNoCharsetComponents[] = {"edtNote"};

struct TConst {
    const char* Unit;
    const char* Name;
    int StringID;
    const char* English;
    const char* German;
    const char* French;
};

const TConst kConstants[] = {
    {"NotesStrings", "SFileNotFound", 65000, "File \"%s\" not found.", "Die Datei \"%s\" wurde nicht gefunden.",
     nullptr},
    {"NotesStrings", "SSaveChanges", 65001, "Save changes to %s?", "Änderungen an %s speichern?",
     "Enregistrer les modifications de %s ?"},
    {"NotesStrings", "SFilesCount", 65002, "%d files", "%d Dateien", nullptr},
    {"NotesStrings", "SNotesFilter", 65003, "Notes (*.note)|*.note|All files (*.*)|*.*", nullptr, nullptr},
    {"NotesStrings", "SSearchDone", 65004, "Search reached the end of the note.", nullptr, nullptr},
    {"NotesStrings", "SWordCount", 65005, "%d words, %d characters", "%d Wörter, %d Zeichen", nullptr},
    {"Consts", "SMsgDlgYes", 65216, "&Yes", "&Ja", "&Oui"},
    {"Consts", "SMsgDlgNo", 65217, "&No", "&Nein", "&Non"},
    {"Consts", "SMsgDlgCancel", 65218, "Cancel", "Abbrechen", nullptr},
    {"Consts", "SMsgDlgHelp", 65219, "&Help", nullptr, nullptr},
};

struct TExt {
    const char* Group;
    const char* Name;
    const char* English;
    const char* German;
    uint16_t Attributes;
};

const TExt kExternals[] = {
    {"Installer", "WelcomeTitle", "Welcome to the Notes setup", "Willkommen beim Setup von Notizen", 0},
    {"Installer", "FinishText", "Notes has been installed on your computer.", nullptr, 0},
    {"Installer", "ProductName", "Notes", nullptr, vaUntranslatable},
    {"Tips", "Tip1", "Press Ctrl+F to find text in a note.", "Mit Strg+F finden Sie Text in einer Notiz.", 0},
    {"Tips", "Tip2", "Drag a note onto a category to move it.", nullptr, 0},
    {"Tips", "DebugTip", "Internal: tips are read from the tips group.", nullptr, vaHidden},
};

// Stream-only properties of the forms, which no translation touches: the DLL
// carries them through as they are.
struct TExtra {
    const char* Form;
    const char* Component;
    const char* Name;
    char Kind; // i integer, e identifier, b boolean, s set (comma-separated)
    const char* Value;
};

const TExtra kExtras[] = {
    {"MainForm", "", "Left", 'i', "200"},
    {"MainForm", "", "Font.Charset", 'e', "DEFAULT_CHARSET"},
    {"MainForm", "mnuFileSave", "ShortCut", 'i', "16467"},
    {"MainForm", "edtNote", "Font.Charset", 'e', "DEFAULT_CHARSET"},
    {"MainForm", "edtNote", "ScrollBars", 'e', "ssVertical"},
    {"MainForm", "edtNote", "Anchors", 's', "akLeft,akTop,akRight,akBottom"},
    {"MainForm", "sbStatus", "SimplePanel", 'b', "0"},
    {"MainForm", "sbStatus.Panels[0]", "Width", 'i', "120"},
    {"FindDialog", "chkMatchCase", "Checked", 'b', "0"},
    {"FindDialog", "btnFindNext", "Default", 'b', "1"},
    {"FindDialog", "lblFind", "Font.Charset", 'e', "DEFAULT_CHARSET"},
    {"OptionsForm", "speAutoSave", "MaxValue", 'i', "120"},
    {"OptionsForm", "fraFont.lblFont", "Left", 'i', "8"},
    {"AboutBox", "btnOK", "ModalResult", 'i', "1"},
};

const char* ComponentClass(const QString& Name)
{
    static const std::pair<const char*, const char*> kClasses[] = {
        {"mnu", "TMenuItem"}, {"edtNote", "TMemo"}, {"edt", "TEdit"},     {"cmb", "TComboBox"},
        {"sb", "TStatusBar"}, {"lbl", "TLabel"},    {"chk", "TCheckBox"}, {"rg", "TRadioGroup"},
        {"btn", "TButton"},   {"spe", "TSpinEdit"}, {"trk", "TTrackBar"}, {"fra", "TFontFrame"},
    };
    for (const auto& [prefix, cls] : kClasses)
        if (Name.startsWith(QLatin1String(prefix))) return cls;
    return "TControl";
}

// A small writer of the binary component stream ("TPF0"), enough for the
// sample's forms.
class TFormStream {
public:
    QByteArray Data = "TPF0";

    void Byte(uint8_t b) { Data.append(char(b)); }
    void Str(const QByteArray& s)
    {
        Byte(uint8_t(s.size()));
        Data.append(s);
    }
    // Prefix 0 for a plain object, 0xF1 inherited, 0xF4 inline (a frame).
    void Object(uint8_t Prefix, const QByteArray& Class, const QString& Name)
    {
        if (Prefix) Byte(Prefix);
        Str(Class);
        Str(Name.toLatin1());
    }
    void End() { Byte(0); }
    void Int(int32_t v)
    {
        if (v >= -128 && v <= 127) {
            Byte(2);
            Put(int8_t(v));
        } else if (v >= -32768 && v <= 32767) {
            Byte(3);
            Put(int16_t(v));
        } else {
            Byte(4);
            Put(v);
        }
    }
    void Text(const QString& s)
    {
        bool ascii = true;
        for (QChar c : s) ascii = ascii && c.unicode() < 0x80;
        if (ascii && s.size() < 256) {
            Byte(6);
            Str(s.toLatin1());
        } else {
            Byte(18);
            Put(uint32_t(s.size()));
            Data.append(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
        }
    }
    void Float(double v)
    {
        // x86-64 long double is the 80-bit extended format of the stream.
        static_assert(LDBL_MANT_DIG == 64, "80-bit long double expected");
        const long double x = v;
        Byte(5);
        Data.append(reinterpret_cast<const char*>(&x), 10);
    }
    void Value(TLocValueType Type, const QString& Text)
    {
        switch (Type) {
        case ptInteger:
            return Int(Text.toInt());
        case ptFloat:
            return Float(Text.toDouble());
        case ptStringList:
            Byte(1);
            for (const QString& line : Text.split(QStringLiteral("\r\n"))) this->Text(line);
            return End();
        default:
            return this->Text(Text);
        }
    }
    void Extra(char Kind, const char* Value)
    {
        switch (Kind) {
        case 'i':
            return Int(atoi(Value));
        case 'e':
            return Byte(7), Str(Value);
        case 'b':
            return Byte(*Value == '1' ? 9 : 8);
        case 's':
            Byte(11);
            for (const QByteArray& item : QByteArray(Value).split(',')) Str(item);
            return Str({});
        }
    }

private:
    template <class T> void Put(T v) { Data.append(reinterpret_cast<const char*>(&v), sizeof(T)); }
};

void WriteProperties(TFormStream& w, const TForm& form, const QString& component)
{
    for (const TProp& p : form.Props)
        if (component == QLatin1String(p.Component)) {
            w.Str(p.Name);
            w.Value(p.Type, QString::fromUtf8(p.English));
        }
    for (const TExtra& e : kExtras)
        if (!qstrcmp(e.Form, form.Name) && component == QLatin1String(e.Component)) {
            w.Str(e.Name);
            w.Extra(e.Kind, e.Value);
        }
}

// The form as the compiler would stream it: the form's properties, then one
// object per component; the items of "comp.Coll[i]" go into comp's collection
// property Coll, the components "frame.comp" inherited into the frame.
QByteArray FormStream(const TForm& form)
{
    TFormStream w;
    w.Object(0, QByteArray("T") + form.Name, QString::fromLatin1(form.Name));
    WriteProperties(w, form, QString());
    w.End();
    QStringList children;
    for (const TProp& p : form.Props) {
        const QString top = QString::fromLatin1(p.Component).section('.', 0, 0);
        if (!top.isEmpty() && !children.contains(top)) children << top;
    }
    for (const QString& child : children) {
        QStringList collectionItems, frameParts;
        for (const TProp& p : form.Props) {
            const QString c = QString::fromLatin1(p.Component);
            if (!c.startsWith(child + '.')) continue;
            QStringList& list = c.contains('[') ? collectionItems : frameParts;
            if (!list.contains(c)) list << c;
        }
        w.Object(frameParts.isEmpty() ? 0 : 0xF4, ComponentClass(child), child);
        WriteProperties(w, form, child);
        if (!collectionItems.isEmpty()) {
            // One collection per component is all the sample needs.
            w.Str(collectionItems.first().section('.', 1).section('[', 0, 0).toLatin1());
            w.Byte(14);
            for (const QString& item : collectionItems) {
                w.Byte(1);
                WriteProperties(w, form, item);
                w.End();
            }
            w.End();
        }
        w.End();
        for (const QString& part : frameParts) {
            const QString name = part.section('.', 1);
            w.Object(0xF1, ComponentClass(name), name);
            WriteProperties(w, form, part);
            w.End();
            w.End();
        }
        w.End();
    }
    w.End();
    return w.Data;
}

void SetTranslation(TLocItem* item, int column, const char* text)
{
    TLocValue* v = item->Values().Items(column);
    if (!text) return; // stays untranslated (version -1, native text)
    v->SetValue(QString::fromUtf8(text));
    v->SetValueVersion(item->MainValue()->ValueVersion());
    v->SetModified(kEdited);
}

void Save(TLocStorage& s, int column, const QString& path, uint16_t locale, const QString& english,
          const QString& localized, bool native)
{
    TLangFile f(path, false);
    f.SetLocale(locale);
    f.SetIsNative(native);
    f.SetLangEnglishName(english);
    f.SetLangLocalizedName(localized);
    f.SetVersion(1);
    if (!native) f.SetBasedOnLangID(kEnglish);
    f.Save(&s, column, false);
}

// The executable's resources: the constants' native texts, the forms and the
// library settings record of an English application at version 1.
void SaveExecutable(const QString& path)
{
    TResProcessor p;
    auto* strings = static_cast<TResString*>(p.AddBlock(std::make_unique<TResString>(&p)));
    for (const TConst& c : kConstants) strings->Add(c.StringID, QString::fromUtf8(c.English));

    QByteArray settings;
    TByteWriter w(settings);
    const QByteArray english = WideToAnsi("English (United States)", SystemCodePage());
    const QString localized = "English";
    w.Bytes("LDLL");
    w.I32(1); // version
    w.U16(kEnglish);
    w.U16(quint16(english.size()));
    w.Bytes(english);
    w.U16(quint16(localized.size()));
    w.Utf16(localized);
    w.U16(6); // DLL format version
    w.U16(0); // reserved
    w.U32(0); // build
    w.U8(0);
    auto* rcdata = static_cast<TResRCData*>(p.AddBlock(std::make_unique<TResRCData>(&p)));
    rcdata->Add("OXV_LIBSETTINGS_", false)->Buffer() = settings;
    for (const TForm& form : kForms)
        rcdata->Add(QStringLiteral("T") + QString::fromLatin1(form.Name).toUpper(), false)->Buffer() = FormStream(form);

    QByteArray image;
    p.CreateDLLStream(image);
    WriteFileAtomic(path, image);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_examples <folder>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    try {
        TLocStorage s;
        s.SetMainLangID(kEnglish);
        s.AddLanguage(0, kGerman);
        s.AddLanguage(0, kFrench);
        struct TTranslations {
            TLocItem* Item;
            const char* German;
            const char* French;
        };
        std::vector<TTranslations> translations;

        for (const TForm& form : kForms) {
            TLocForm* f = s.Forms().Add(QString::fromLatin1(form.Name));
            f->SetAttributes(form.Attributes);
            for (const TProp& p : form.Props) {
                TLocComponent* holder =
                    *p.Component ? static_cast<TLocComponent*>(f->Components().Add(QString::fromLatin1(p.Component)))
                                 : f;
                TLocProperty* prop = holder->Properties().Add(-1, QString::fromLatin1(p.Name), p.Type);
                prop->MainValue()->SetValue(QString::fromUtf8(p.English));
                translations.push_back({prop, p.German, p.French});
            }
        }
        for (const TConst& c : kConstants) {
            TLocConstant* item = s.Units()
                                     .Add(QString::fromLatin1(c.Unit))
                                     ->Constants()
                                     .Add(-1, QString::fromLatin1(c.Name), c.StringID);
            item->MainValue()->SetValue(QString::fromUtf8(c.English));
            translations.push_back({item, c.German, c.French});
        }
        for (const TExt& e : kExternals) {
            TLocExtItem* item = s.AddExternalItem(-1, QString::fromLatin1(e.Group), QString::fromLatin1(e.Name));
            item->MainValue()->SetValue(QString::fromUtf8(e.English));
            item->MainValue()->SetAttributes(e.Attributes);
            translations.push_back({item, e.German, nullptr});
        }
        s.ForEachItem([](TLocItem* item) {
            item->MainValue()->SetValueVersion(1);
            item->MainValue()->SetModified(kEdited);
            // New columns copy the native text as untranslated.
            for (int c = 1; c < item->Values().Count(); ++c) {
                item->Values().Items(c)->SetValue(item->MainValue()->Value());
                item->Values().Items(c)->SetValueVersion(-1);
            }
        });
        for (const TTranslations& t : translations) {
            SetTranslation(t.Item, 1, t.German);
            SetTranslation(t.Item, 2, t.French);
        }
        for (const char* name : kNoCharsetComponents)
            s.Forms().FindByName("MainForm")->Components().FindByName(name)->SetAttributes(caNoCharset);
        // One German translation the translator has confirmed.
        s.FindProperty("MainForm", "", "Caption")->Values().Items(1)->SetAttribute(vaVerified, true);

        Save(s, 0, dir.filePath("Notes.ntv.lng"), kEnglish, "English (United States)", "English", true);
        Save(s, 1, dir.filePath("Notes.deu.lng"), kGerman, "German (Germany)", "Deutsch", false);
        Save(s, 2, dir.filePath("Notes.fra.lng"), kFrench, "French (France)", QString::fromUtf8("français"), false);
        // The image carries the time it was written: keep it fixed too.
        DateTime::SetClockForTesting([] { return DateTime::ToQDateTime(kEdited); });
        SaveExecutable(dir.filePath("Notes.exe"));
    } catch (const EVocabrixError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
