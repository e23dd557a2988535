#pragma once

#include <QWidget>

class QCheckBox;
class QPlainTextEdit;

// A floating, stay-on-top view of the current row's native text. Closing it
// only hides it.
class TfrmNativeValue : public QWidget {
    Q_OBJECT
public:
    explicit TfrmNativeValue(QWidget* Parent);

    void SetText(const QString& Text);
    QString Text() const;
    void SetTextFont(const QFont& Font);
    bool WordWrap() const;
    void SetWordWrap(bool On);

Q_SIGNALS:
    void VisibilityChanged(bool Visible);

protected:
    void showEvent(QShowEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;

private:
    QPlainTextEdit* mmText;
    QCheckBox* chbWordWrap;
};
