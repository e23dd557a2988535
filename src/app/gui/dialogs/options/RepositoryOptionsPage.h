#pragma once

#include "app/EditorSettings.h"

#include <QWidget>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QSpinBox;
class QToolButton;

// The options dialog's "Repository" page: the repository path and the
// eight repository settings, and what the Suggestions panel shows.
class TRepositoryOptionsPage : public QWidget {
    Q_OBJECT
public:
    explicit TRepositoryOptionsPage(QWidget* Parent = nullptr);

    // Path is the open repository's (empty without one).
    void SetSettings(const TEditorSettings& Settings, const QString& Path);
    void TakeSettings(TEditorSettings& Settings) const;
    QString Path() const;

    QLineEdit* PathEdit() const { return FPath; }
    QToolButton* BrowseButton() const { return FBrowse; }
    // "Browse for Repository"; tests replace it.
    std::function<QString(const QString& Current, QWidget* Parent)> BrowseRepository;

private:
    QLineEdit* FPath;
    QToolButton* FBrowse;
    QButtonGroup* FTranslate;
    QButtonGroup* FExisting;
    QCheckBox *FAutoTranslate, *FAutoRefresh, *FAskTranslating, *FAddTheSame, *FIndicate, *FSmart;
    QSpinBox *FFuzzyThreshold, *FFuzzyCount;
};
