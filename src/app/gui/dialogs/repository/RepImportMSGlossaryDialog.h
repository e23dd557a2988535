#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

// "Repository Import MS Glossary File": a glossary file and its two languages.
class TdlgRepImportMSGlossary : public QDialog {
    Q_OBJECT
public:
    explicit TdlgRepImportMSGlossary(QWidget* Parent = nullptr);
    ~TdlgRepImportMSGlossary() override;

    QString FileName() const;
    int Locale1() const;
    int Locale2() const;

    QLineEdit* FileEdit() const { return FFile; }
    QComboBox* Language1() const { return FLang1; }
    QComboBox* Language2() const { return FLang2; }
    QPushButton* OkButton() const { return FOk; }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void Browse();
    void UpdateOk();

    QLineEdit* FFile;
    QComboBox *FLang1, *FLang2;
    QPushButton* FOk;
};
