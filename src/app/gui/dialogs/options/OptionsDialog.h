#pragma once

#include "app/EditorSettings.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class TRepositoryOptionsPage;
class TGoogleApiPage;
class TLibraryOptionsPage;

// The options dialog: the editor's settings on the pages "General", "Colors"
// and "Language". Settings without a control pass through unchanged.
class TdlgOptions : public QDialog {
    Q_OBJECT
public:
    // The colour panels, in the order of the page.
    enum TColorPanel { cpActiveRow, cpUntranslatable, cpVerified, cpHidden, cpCount };

    explicit TdlgOptions(QWidget* Parent = nullptr);

    void SetSettings(const TEditorSettings& Settings);
    // The open repository's path for the "Repository" page (empty without one).
    void SetRepositoryPath(const QString& Path);
    // Settings with the controls' values taken over.
    TEditorSettings Settings() const;

    // The default grid font with its character set (which the font dialog
    // does not change).
    void SetGridFont(const QFont& Font, int Charset);
    QFont GridFont() const { return FGridFont; }
    int GridFontCharset() const { return FGridFontCharset; }

    // The English names of the interface languages and the current one (the
    // first is selected when Current is out of range).
    void SetInterfaceLanguages(const QStringList& EnglishNames, int Current);
    int InterfaceLanguage() const;

    // The Help button is shown once a handler is set.
    void SetHelpHandler(std::function<void()> Handler);

    // The colour and font choosers; tests replace the dialogs. They return
    // nothing when the user cancels.
    std::function<std::optional<QColor>(const QColor& Initial, QWidget* Parent)> ChooseColor;
    std::function<std::optional<QFont>(const QFont& Initial, QWidget* Parent)> ChooseFont;

    // Controls, for tests and for the caller's own additions.
    QTabWidget* Pages() const { return FPages; }
    QCheckBox* AutoTranslBox() const { return FAutoTransl; }
    QCheckBox* UseReplaceTbBox() const { return FUseReplaceTb; }
    QPushButton* ColorButton(TColorPanel Panel) const { return FColorButtons[Panel]; }
    QPushButton* DefaultColorsButton() const { return FDefaultColors; }
    QPushButton* ChangeFontButton() const { return FChangeFont; }
    QLabel* FontLabel() const { return FFontLabel; }
    QComboBox* LanguageBox() const { return FLanguage; }
    TRepositoryOptionsPage* RepositoryPage() const { return FRepositoryPage; }
    TGoogleApiPage* GoogleApiPage() const { return FGoogleApi; }
    TLibraryOptionsPage* LibraryPage() const { return FLibraryPage; }
    TWinColor PanelColor(TColorPanel Panel) const { return FColors[Panel]; }

private:
    QWidget* CreateGeneralPage();
    QWidget* CreateColorsPage();
    QWidget* CreateLanguagePage();
    void SetPanelColor(TColorPanel Panel, TWinColor Color);
    void PickColor(TColorPanel Panel);
    void PickFont();

    TEditorSettings FSettings;
    QFont FGridFont;
    int FGridFontCharset = 1;
    TWinColor FColors[cpCount] = {};

    QTabWidget* FPages = nullptr;
    QCheckBox* FAutoTransl = nullptr;
    QCheckBox* FUseReplaceTb = nullptr;
    QCheckBox* FCellEditDialog = nullptr;
    QCheckBox* FShowUntranslatable = nullptr;
    QCheckBox* FMoveCursorDown = nullptr;
    QCheckBox* FRefreshOnClose = nullptr;
    QCheckBox* FFullNameCompare = nullptr;
    QCheckBox* FRightToLeft4ME = nullptr;
    QLabel* FFontLabel = nullptr;
    QPushButton* FChangeFont = nullptr;
    QPushButton* FColorButtons[cpCount] = {};
    QPushButton* FDefaultColors = nullptr;
    QComboBox* FLanguage = nullptr;
    TRepositoryOptionsPage* FRepositoryPage = nullptr;
    QPushButton* FHelp = nullptr;
    TGoogleApiPage* FGoogleApi = nullptr;
    TLibraryOptionsPage* FLibraryPage = nullptr;
};

// The font description of the options dialog: name and size, the style, and
// the character set by its system identifier.
QString LabelByFont(const QFont& Font, int Charset);

// Windows colour values and Qt colours. A system colour takes the matching
// colour of the application's palette.
QColor ColorFromWinColor(TWinColor Color);
TWinColor WinColorFromColor(const QColor& Color);

// The grid font of the settings over the grid's built-in font, and back.
QFont FontFromSettings(QFont Base, const TGridFontSettings& Settings);
TGridFontSettings FontSettingsOf(const QFont& Font, int Charset);
int FontStyleOf(const QFont& Font);
void SetFontStyle(QFont& Font, int Style);
