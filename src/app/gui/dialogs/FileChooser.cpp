#include "app/gui/dialogs/FileChooser.h"

#include <QFileDialog>

namespace {

class TQtFileChooser : public TFileChooser {
public:
    QString Choose(QWidget* Parent, const TFileRequest& Request) override
    {
        switch (Request.Kind) {
        case TFileRequest::fkOpen:
            return QFileDialog::getOpenFileName(Parent, Request.Title, Request.Start, Request.Filter);
        case TFileRequest::fkSave:
            return QFileDialog::getSaveFileName(Parent, Request.Title, Request.Start, Request.Filter, nullptr,
                                                Request.ConfirmOverwrite ? QFileDialog::Options()
                                                                         : QFileDialog::DontConfirmOverwrite);
        case TFileRequest::fkFolder:
            return QFileDialog::getExistingDirectory(Parent, Request.Title, Request.Start);
        }
        return QString();
    }
};

TQtFileChooser gQtChooser;
TFileChooser* gChooser = nullptr;

} // namespace

TFileChooser& FileChooser() { return gChooser ? *gChooser : gQtChooser; }

void SetFileChooser(TFileChooser* Chooser) { gChooser = Chooser; }

QString ChooseOpenFile(QWidget* Parent, const QString& Title, const QString& Start, const QString& Filter)
{
    return FileChooser().Choose(Parent, {TFileRequest::fkOpen, Title, Start, Filter});
}

QString ChooseSaveFile(QWidget* Parent, const QString& Title, const QString& Start, const QString& Filter,
                       bool ConfirmOverwrite)
{
    return FileChooser().Choose(Parent, {TFileRequest::fkSave, Title, Start, Filter, ConfirmOverwrite});
}

QString ChooseFolder(QWidget* Parent, const QString& Title, const QString& Start)
{
    return FileChooser().Choose(Parent, {TFileRequest::fkFolder, Title, Start, QString()});
}
