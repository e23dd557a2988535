#include "app/gui/dialogs/options/OptionsDialog.h"

#include "app/gui/dialogs/libraries/LibraryDialogs.h"
#include "app/gui/dialogs/options/GoogleApiPage.h"
#include "app/gui/dialogs/options/RepositoryOptionsPage.h"
#include "app/gui/window/UiLanguage.h"
#include "core/UiStrings.h"
#include "storage/Locales.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

int PointSize(const QFont& Font)
{
    return Font.pointSize() > 0 ? Font.pointSize() : qRound(QFontInfo(Font).pointSizeF());
}

} // namespace

// ---------------------------------------------------------------- helpers

QString LabelByFont(const QFont& Font, int Charset)
{
    const TUiString style =
        Font.bold() ? (Font.italic() ? usFontBoldItalic : usFontBold) : (Font.italic() ? usFontItalic : usFontRegular);
    QString label = UiString(usFontLabel, {Font.family(), QString::number(PointSize(Font)), UiString(style)});
    // The default set says nothing worth a line.
    if (Charset != DEFAULT_CHARSET) label += QLatin1Char('\n') + UiString(usFontCharset, {CharsetIdent(Charset)});
    return label;
}

QColor ColorFromWinColor(TWinColor Color)
{
    if ((Color >> 24) == 0xFF) {
        static const struct {
            int Index;
            QPalette::ColorRole Role;
        } roles[] = {
            {0x05, QPalette::Base},
            {0x08, QPalette::Text},
            {0x0D, QPalette::Highlight},
            {0x0E, QPalette::HighlightedText},
            {0x0F, QPalette::Button},
            {0x10, QPalette::Dark},
            {0x11, QPalette::PlaceholderText},
            {0x12, QPalette::ButtonText},
            {0x14, QPalette::Light},
            {0x17, QPalette::ToolTipText},
            {0x18, QPalette::ToolTipBase},
        };
        const int index = int(Color & 0xFF);
        for (const auto& r : roles)
            if (r.Index == index) return QApplication::palette().color(r.Role);
        return QApplication::palette().color(QPalette::Window);
    }
    return QColor(int(Color & 0xFF), int((Color >> 8) & 0xFF), int((Color >> 16) & 0xFF));
}

TWinColor WinColorFromColor(const QColor& Color)
{
    return TWinColor(Color.red()) | TWinColor(Color.green()) << 8 | TWinColor(Color.blue()) << 16;
}

int FontStyleOf(const QFont& Font)
{
    return (Font.bold() ? fsBold : 0) | (Font.italic() ? fsItalic : 0) | (Font.underline() ? fsUnderline : 0) |
           (Font.strikeOut() ? fsStrikeOut : 0);
}

void SetFontStyle(QFont& Font, int Style)
{
    Font.setBold(Style & fsBold);
    Font.setItalic(Style & fsItalic);
    Font.setUnderline(Style & fsUnderline);
    Font.setStrikeOut(Style & fsStrikeOut);
}

QFont FontFromSettings(QFont Base, const TGridFontSettings& Settings)
{
    if (Settings.Name && !Settings.Name->isEmpty()) Base.setFamily(*Settings.Name);
    if (Settings.Size && *Settings.Size > 0) Base.setPointSize(*Settings.Size);
    if (Settings.Style) SetFontStyle(Base, *Settings.Style);
    return Base;
}

TGridFontSettings FontSettingsOf(const QFont& Font, int Charset)
{
    return {Font.family(), PointSize(Font), Charset, FontStyleOf(Font)};
}

// ---------------------------------------------------------------- the dialog

TdlgOptions::TdlgOptions(QWidget* Parent) : QDialog(Parent)
{
    setWindowTitle(QStringLiteral("Options"));
    ChooseColor = [](const QColor& Initial, QWidget* Parent) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(Initial, Parent);
        return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
    };
    ChooseFont = [](const QFont& Initial, QWidget* Parent) -> std::optional<QFont> {
        bool ok = false;
        const QFont f = QFontDialog::getFont(&ok, Initial, Parent);
        return ok ? std::optional<QFont>(f) : std::nullopt;
    };

    FPages = new QTabWidget(this);
    FPages->addTab(CreateGeneralPage(), QStringLiteral("General"));
    FRepositoryPage = new TRepositoryOptionsPage;
    FPages->addTab(FRepositoryPage, QStringLiteral("Repository"));
    FLibraryPage = new TLibraryOptionsPage;
    FPages->addTab(FLibraryPage, QStringLiteral("Libraries"));
    FPages->addTab(CreateColorsPage(), QStringLiteral("Colors"));
    FPages->addTab(CreateLanguagePage(), QStringLiteral("Language"));
    FGoogleApi = new TGoogleApiPage;
    FPages->addTab(FGoogleApi, QStringLiteral("Google API"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    FHelp = buttons->addButton(QDialogButtonBox::Help);
    FHelp->hide();
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FPages);
    layout->addWidget(buttons);

    SetSettings(FSettings);
    SetGridFont(font(), 1);
}

QWidget* TdlgOptions::CreateGeneralPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    const auto box = [&](const char* caption) {
        auto* b = new QCheckBox(QString::fromUtf8(caption), page);
        layout->addWidget(b);
        return b;
    };
    FAutoTransl = box("Try to translate automatically");
    FUseReplaceTb = box("Use \"Replace\" toolbar");
    // The replace prompt only matters while automatic translation is on.
    connect(FAutoTransl, &QCheckBox::toggled, FUseReplaceTb, &QWidget::setEnabled);
    FCellEditDialog = box("Use Multiline Cell Edit Dialog");

    auto* fontGroup = new QGroupBox(QStringLiteral(" Grid Font "), page);
    auto* fontLayout = new QHBoxLayout(fontGroup);
    FFontLabel = new QLabel(fontGroup);
    MarkDynamicText(FFontLabel);
    FChangeFont = new QPushButton(QStringLiteral("Change..."), fontGroup);
    fontLayout->addWidget(FFontLabel, 1);
    fontLayout->addWidget(FChangeFont, 0, Qt::AlignTop);
    connect(FChangeFont, &QPushButton::clicked, this, &TdlgOptions::PickFont);
    layout->addWidget(fontGroup);

    FShowUntranslatable = box("Show Untranslatable items");
    FMoveCursorDown = box("Move down automatically");
    FRefreshOnClose = box("Refresh project on close");
    FFullNameCompare = box("Compare properties by full name");
    FRightToLeft4ME = box("RightToLeft for Middle East");
    layout->addStretch(1);
    return page;
}

QWidget* TdlgOptions::CreateColorsPage()
{
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);
    static const char* captions[cpCount] = {"Active Row color", "Untranslatable items color", "Verified items color",
                                            "Hidden items color"};
    for (int i = 0; i < cpCount; ++i) {
        auto* button = new QPushButton(page);
        button->setMinimumSize(60, 22);
        auto* label = new QLabel(QString::fromUtf8(captions[i]), page);
        label->setBuddy(button);
        layout->addWidget(label, i, 0);
        layout->addWidget(button, i, 1);
        connect(button, &QPushButton::clicked, this, [this, i] { PickColor(TColorPanel(i)); });
        FColorButtons[i] = button;
        // Hidden items have no commands in the editor, so their colour is
        // kept but not offered.
        if (i == cpHidden) {
            label->hide();
            button->hide();
        }
    }
    FDefaultColors = new QPushButton(QStringLiteral("Default Colors"), page);
    connect(FDefaultColors, &QPushButton::clicked, this, [this] {
        const TEditorSettings defaults;
        SetPanelColor(cpActiveRow, defaults.ActiveRowColor);
        SetPanelColor(cpUntranslatable, defaults.UntranslatableColor);
        SetPanelColor(cpVerified, defaults.VerifiedColor);
        SetPanelColor(cpHidden, defaults.HiddenColor);
    });
    layout->addWidget(FDefaultColors, cpCount, 0, 1, 2, Qt::AlignLeft);
    layout->setRowStretch(cpCount + 1, 1);
    layout->setColumnStretch(2, 1);
    return page;
}

QWidget* TdlgOptions::CreateLanguagePage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* label = new QLabel(QStringLiteral("Select interface language"), page);
    FLanguage = new QComboBox(page);
    label->setBuddy(FLanguage);
    layout->addWidget(label);
    layout->addWidget(FLanguage);
    layout->addStretch(1);
    return page;
}

void TdlgOptions::SetSettings(const TEditorSettings& Settings)
{
    FSettings = Settings;
    FLibraryPage->edLibraryPath->setText(Settings.LibraryPath);
    FAutoTransl->setChecked(Settings.AutoTransl);
    FUseReplaceTb->setChecked(Settings.UseReplaceTb);
    FUseReplaceTb->setEnabled(Settings.AutoTransl);
    FCellEditDialog->setChecked(Settings.CellEditDialog);
    FShowUntranslatable->setChecked(Settings.ShowUntranslatable);
    FMoveCursorDown->setChecked(Settings.MoveCursorDown);
    FRefreshOnClose->setChecked(Settings.RefreshOnClose);
    FFullNameCompare->setChecked(Settings.FullNameCompare);
    FRightToLeft4ME->setChecked(Settings.RightToLeft4ME);
    SetPanelColor(cpActiveRow, Settings.ActiveRowColor);
    SetPanelColor(cpUntranslatable, Settings.UntranslatableColor);
    SetPanelColor(cpVerified, Settings.VerifiedColor);
    SetPanelColor(cpHidden, Settings.HiddenColor);
    FRepositoryPage->SetSettings(Settings, FRepositoryPage->Path());
    FGoogleApi->SetSettings(Settings);
}

void TdlgOptions::SetRepositoryPath(const QString& Path) { FRepositoryPage->SetSettings(Settings(), Path); }

TEditorSettings TdlgOptions::Settings() const
{
    TEditorSettings s = FSettings;
    s.LibraryPath = FLibraryPage->edLibraryPath->text().trimmed();
    s.AutoTransl = FAutoTransl->isChecked();
    s.UseReplaceTb = FUseReplaceTb->isChecked();
    s.CellEditDialog = FCellEditDialog->isChecked();
    s.ShowUntranslatable = FShowUntranslatable->isChecked();
    s.MoveCursorDown = FMoveCursorDown->isChecked();
    s.RefreshOnClose = FRefreshOnClose->isChecked();
    s.FullNameCompare = FFullNameCompare->isChecked();
    s.RightToLeft4ME = FRightToLeft4ME->isChecked();
    s.ActiveRowColor = FColors[cpActiveRow];
    s.UntranslatableColor = FColors[cpUntranslatable];
    s.VerifiedColor = FColors[cpVerified];
    s.HiddenColor = FColors[cpHidden];
    s.GridFont = FontSettingsOf(FGridFont, FGridFontCharset);
    FRepositoryPage->TakeSettings(s);
    FGoogleApi->ApplyTo(s);
    return s;
}

void TdlgOptions::SetGridFont(const QFont& Font, int Charset)
{
    FGridFont = Font;
    FGridFontCharset = Charset;
    FFontLabel->setText(LabelByFont(Font, Charset));
}

void TdlgOptions::SetInterfaceLanguages(const QStringList& EnglishNames, int Current)
{
    FLanguage->clear();
    FLanguage->addItems(EnglishNames);
    FLanguage->setCurrentIndex(Current >= 0 && Current < EnglishNames.size() ? Current : 0);
}

int TdlgOptions::InterfaceLanguage() const { return FLanguage->currentIndex(); }

void TdlgOptions::SetHelpHandler(std::function<void()> Handler)
{
    FHelp->disconnect(this);
    FHelp->setVisible(bool(Handler));
    if (Handler) connect(FHelp, &QPushButton::clicked, this, std::move(Handler));
}

void TdlgOptions::SetPanelColor(TColorPanel Panel, TWinColor Color)
{
    FColors[Panel] = Color;
    FColorButtons[Panel]->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid gray;").arg(ColorFromWinColor(Color).name()));
}

void TdlgOptions::PickColor(TColorPanel Panel)
{
    if (const auto color = ChooseColor(ColorFromWinColor(FColors[Panel]), this))
        SetPanelColor(Panel, WinColorFromColor(*color));
}

void TdlgOptions::PickFont()
{
    if (const auto font = ChooseFont(FGridFont, this)) SetGridFont(*font, FGridFontCharset);
}
