#include "Prompts.h"

#include "ApplicationIdentity.h"

#include <QFileDialog>
#include <QMessageBox>

void Prompts::message(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, ApplicationIdentity::Title(), text, QMessageBox::Ok, parent);
    box.exec();
}

QString Prompts::openFileName(QWidget *parent, const QString &filter, const QString &previous)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile); // a typed name need not exist
    // The caption shows the filter as written; the patterns after it are the
    // ones the dialog applies (it splits patterns at blanks, not at ";").
    QString patterns = filter.section(u'(', 1).section(u')', 0, 0);
    patterns.replace(u';', u' ');
    dialog.setNameFilter(QStringLiteral("%1 (%2 %3)").arg(filter, patterns, patterns.toUpper()));
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (!previous.isEmpty())
        dialog.selectFile(previous);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
