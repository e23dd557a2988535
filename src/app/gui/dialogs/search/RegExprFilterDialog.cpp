#include "app/gui/dialogs/search/RegExprFilterDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

const char* const kReference = "Rows are shown whose text in the filter language matches the expression "
                               "anywhere; case is ignored. An empty expression shows every row.\n"
                               "\n"
                               ".\tany character\n"
                               "\\d \\w \\s\ta digit, a word character, a blank\n"
                               "[abc] [^abc]\tone of, none of the characters\n"
                               "[a-z]\ta character of the range\n"
                               "^ $\tstart, end of the text\n"
                               "\\b\ta word boundary\n"
                               "x* x+ x?\tx any number of times, at least once, at most once\n"
                               "x{n,m}\tx from n to m times\n"
                               "a|b\ta or b\n"
                               "(...)\ta group\n"
                               "\\. \\( \\\\\tthe character itself\n"
                               "\n"
                               "Examples: ^&File  (starts with \"&File\"), %s|%d  (holds a format), "
                               "\\bsave\\b  (the word \"save\").";

} // namespace

TdlgRegExp::TdlgRegExp(QWidget* Parent) : QDialog(Parent)
{
    setWindowTitle(QStringLiteral("Regular Expression"));
    auto* label = new QLabel(QStringLiteral("Enter the Regular Expression:"));
    edRegExp = new QLineEdit;
    label->setBuddy(edRegExp);
    lblError = new QLabel;
    meReference = new QPlainTextEdit(QString::fromLatin1(kReference));
    meReference->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    btnOK = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(edRegExp, &QLineEdit::textChanged, this, &TdlgRegExp::CheckExpression);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(edRegExp);
    layout->addWidget(lblError);
    layout->addWidget(meReference, 1);
    layout->addWidget(buttons);
    resize(460, 360);
}

void TdlgRegExp::CheckExpression()
{
    const QRegularExpression expression(edRegExp->text());
    btnOK->setEnabled(expression.isValid());
    lblError->setText(expression.isValid() ? QString() : expression.errorString());
    lblError->setVisible(!expression.isValid());
}

bool TdlgRegExp::Execute(QString& ARegExp)
{
    edRegExp->setText(ARegExp);
    CheckExpression(); // also when the text did not change
    edRegExp->selectAll();
    edRegExp->setFocus();
    if (exec() != QDialog::Accepted) return false;
    ARegExp = edRegExp->text();
    return true;
}
