#pragma once

// A small project for the editor project and statistics tests, written as
// app.ntv.lng (English), app.deu.lng (German, partly translated) and
// app.fra.lng (French, all translated):
//
//   AboutForm.Caption            "About"
//   AboutForm.lblVersion.Caption "Version"      untranslatable, hidden; German translated
//   MainForm.Caption             "Main window"  German "Hauptfenster"
//   MainForm.btnOpen.Caption     "&Open"        German "Ö&ffnen"
//   MainForm.btnOpen.Hint        "Open"         hidden
//   MainForm.btnOpen.Width       75             integer
//   MainForm.btnSave.Caption     "Save"         German "Speichern"
//   MainForm.btnSave.Hint        ""
//   MainForm.btnSave.Width       80             integer
//   RC: "120" "OK" (German translated), "65000" "Cancel", "7" "Yes", "abc" "No"
//   Strings: SFiles "Files" (German "Dateien"), SNone "None" untranslatable
//   Help: Tip "Press F1", Title "Help" (German "Hilfe")
//
// German values not listed are untranslated copies of the native texts.

#include "langfile/LEProject.h"
#include "langfile/LangFile.h"

#include <QString>

namespace fixture {

const uint16_t kEnglish = 0x0409, kGerman = 0x0407, kFrench = 0x040C;
const int32_t kNativeVersion = 2;

inline void WriteLangFile(const QString& path, TLocStorage& s, int column, uint16_t locale, const QString& englishName)
{
    TLangFile f(path, false);
    f.SetLocale(locale);
    f.SetIsNative(column == 0);
    f.SetLangEnglishName(englishName);
    f.Save(&s, column, false);
}

inline void MakeEditorProject(const QString& dir, bool withExternal = true)
{
    TLocStorage s;
    s.SetMainLangID(kEnglish);
    auto prop = [](TLocComponent* holder, const char* name, const QString& text, TLocValueType type = ptString) {
        TLocProperty* p = holder->Properties().Add(-1, name, type);
        p->MainValue()->SetValue(text);
        return p;
    };
    TLocForm* about = s.Forms().Add("AboutForm");
    prop(about, "Caption", "About");
    TLocProperty* version = prop(about->Components().Add("lblVersion"), "Caption", "Version");
    version->SetAttribute(vaUntranslatable | vaHidden, true);
    TLocForm* main = s.Forms().Add("MainForm");
    TLocProperty* mainCaption = prop(main, "Caption", "Main window");
    TLocComponent* open = main->Components().Add("btnOpen");
    TLocProperty* openCaption = prop(open, "Caption", "&Open");
    prop(open, "Hint", "Open")->SetAttribute(vaHidden, true);
    prop(open, "Width", "75", ptInteger);
    TLocComponent* save = main->Components().Add("btnSave");
    TLocProperty* saveCaption = prop(save, "Caption", "Save");
    prop(save, "Hint", "");
    prop(save, "Width", "80", ptInteger);

    TLocUnit* rc = s.Units().Add("RC");
    auto constant = [](TLocUnit* unit, const char* name, int stringID, const QString& text) {
        TLocConstant* c = unit->Constants().Add(-1, name, stringID);
        c->MainValue()->SetValue(text);
        return c;
    };
    TLocConstant* ok = constant(rc, "120", 120, "OK");
    constant(rc, "65000", 65000, "Cancel");
    constant(rc, "7", 7, "Yes");
    constant(rc, "abc", 8, "No");
    TLocUnit* strings = s.Units().Add("Strings");
    TLocConstant* files = constant(strings, "SFiles", 100, "Files");
    constant(strings, "SNone", 101, "None")->SetAttribute(vaUntranslatable, true);

    TLocExtItem* title = nullptr;
    if (withExternal) {
        s.AddExternalItem(-1, "Help", "Tip")->MainValue()->SetValue("Press F1");
        title = s.AddExternalItem(-1, "Help", "Title");
        title->MainValue()->SetValue("Help");
    }
    s.ForEachItem([](TLocItem* item) { item->MainValue()->SetValueVersion(kNativeVersion); });
    WriteLangFile(dir + "/app.ntv.lng", s, 0, kEnglish, "English");

    const int de = s.AddLanguage(0, kGerman);
    auto translate = [de](TLocItem* item, const QString& text) {
        item->Values().Items(de)->SetValue(text);
        item->Values().Items(de)->SetValueVersion(kNativeVersion);
    };
    translate(version, "Version");
    translate(mainCaption, "Hauptfenster");
    translate(openCaption, QStringLiteral("Ö&ffnen"));
    translate(saveCaption, "Speichern");
    translate(ok, "OK");
    translate(files, "Dateien");
    if (title) translate(title, "Hilfe");
    WriteLangFile(dir + "/app.deu.lng", s, de, kGerman, "German");

    const int fr = s.AddLanguage(0, kFrench);
    s.ForEachItem([fr](TLocItem* item) {
        TLocValue* v = item->Values().Items(fr);
        if (IsTextualType(item->Values().ValueType())) v->SetValue("fr:" + v->Value());
        v->SetValueVersion(kNativeVersion);
    });
    WriteLangFile(dir + "/app.fra.lng", s, fr, kFrench, "French");
}

// Opens the project written by MakeEditorProject into dir with German
// (column 1) and French (column 2).
inline TLEProject& OpenEditorProject(TLEProject& p, const QString& dir)
{
    p.Open(dir + "/app.ntv.lng", false, false);
    p.OpenLanguage(dir + "/app.deu.lng", false);
    p.OpenLanguage(dir + "/app.fra.lng", false);
    return p;
}

} // namespace fixture
