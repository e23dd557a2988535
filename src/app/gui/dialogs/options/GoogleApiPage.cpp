#include "app/gui/dialogs/options/GoogleApiPage.h"

#include "app/EditorSettings.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TGoogleApiPage::TGoogleApiPage(QWidget* Parent) : QWidget(Parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* keyLabel = new QLabel(QStringLiteral("Set Google API Key"), this);
    FKey = new QLineEdit(this);
    FKey->setObjectName(QStringLiteral("edGoogleAPIKey"));
    keyLabel->setBuddy(FKey);
    FSessionNote = new QLabel(QStringLiteral("The key given on the command line is used for this session only."), this);
    FSessionNote->setWordWrap(true);
    auto* hostLabel =
        new QLabel(QStringLiteral("Service host (a compatible self-hosted service may be named here)"), this);
    FHost = new QLineEdit(this);
    FHost->setObjectName(QStringLiteral("edGoogleAPIHost"));
    FHost->setPlaceholderText(DefaultWebTranslateHost);
    hostLabel->setBuddy(FHost);
    layout->addWidget(keyLabel);
    layout->addWidget(FKey);
    layout->addWidget(FSessionNote);
    layout->addSpacing(12);
    layout->addWidget(hostLabel);
    layout->addWidget(FHost);
    layout->addStretch(1);
}

void TGoogleApiPage::SetSettings(const TEditorSettings& Settings)
{
    FKey->setText(Settings.GoogleAPIKey);
    FKey->setReadOnly(Settings.GoogleAPIKeyForSession);
    FSessionNote->setVisible(Settings.GoogleAPIKeyForSession);
    FHost->setText(Settings.GoogleAPIHost == DefaultWebTranslateHost ? QString() : Settings.GoogleAPIHost);
}

void TGoogleApiPage::ApplyTo(TEditorSettings& Settings) const
{
    if (!Settings.GoogleAPIKeyForSession) Settings.GoogleAPIKey = FKey->text().trimmed();
    const QString host = FHost->text().trimmed();
    Settings.GoogleAPIHost = host.isEmpty() ? DefaultWebTranslateHost : host;
}
