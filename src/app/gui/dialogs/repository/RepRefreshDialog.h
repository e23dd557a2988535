#pragma once

#include "repository/RepositoryFlows.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

// A repository language's display name; the number for a locale the
// catalogue does not know.
QString RepLanguageName(int Locale);

// "Refresh repository": adding a text that has other translations, or (as
// "Translate with repository") choosing among several translations.
class TdlgRepRefresh : public QDialog {
    Q_OBJECT
public:
    explicit TdlgRepRefresh(QWidget* Parent = nullptr);

    TRefreshReply Ask(const TRefreshQuestion& Question);
    // Shown cut to 50 characters, line breaks as ",".
    static QString ShortText(const QString& Text);

    QListWidget* List() const { return FList; }

private:
    void Answer(TRepAnswer Answer, bool Update);

    QLabel *FNative, *FNativeLang, *FTranslation, *FTranslationLang;
    QListWidget* FList;
    QPushButton *FAdd, *FAddAll, *FSkip, *FSkipAll, *FCancel, *FUpdate;
    bool FTranslating = false;
    TRefreshReply FReply;
};

// "Refresh Repository by language": the repository languages to use for the
// project's native language and language.
class TdlgRepRefreshLang : public QDialog {
    Q_OBJECT
public:
    explicit TdlgRepRefreshLang(QWidget* Parent = nullptr);

    // Fills the choice's locales; false when cancelled.
    bool Ask(TLanguageChoice& Choice);

    QListWidget* SearchList() const { return FSearch; }
    QListWidget* TargetList() const { return FTarget; }
    QCheckBox* DontAskBox() const { return FDontAsk; }

private:
    QListWidget *FSearch, *FTarget;
    QCheckBox* FDontAsk;
};
