#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
struct TEditorSettings;

// The options dialog's "Google API" page: the key of the web translation
// service and the service's host. A key given on the command line is shown
// but not editable: it is used for this run only and never stored.
class TGoogleApiPage : public QWidget {
    Q_OBJECT
public:
    explicit TGoogleApiPage(QWidget* Parent = nullptr);

    void SetSettings(const TEditorSettings& Settings);
    void ApplyTo(TEditorSettings& Settings) const;

    QLineEdit* KeyEdit() const { return FKey; }
    QLineEdit* HostEdit() const { return FHost; }

private:
    QLineEdit* FKey = nullptr;
    QLineEdit* FHost = nullptr;
    QLabel* FSessionNote = nullptr;
};
