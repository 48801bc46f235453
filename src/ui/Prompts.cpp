#include "ui/Prompts.h"

#include "ui/ApplicationIdentity.h"

#include <QFileDialog>
#include <QMessageBox>

void Prompts::message(QWidget *parent, const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, ApplicationIdentity::Title(), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

QString Prompts::openFileName(QWidget *parent, const QStringList &filters,
                              const QString &previous) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile); // a typed name need not exist
    // The caption shows each filter as written; the patterns after it are
    // the ones the dialog applies: it splits them at blanks, not at ";".
    // Qt's own dialog ignores case; a desktop's native one need not, so
    // each pattern stands in upper case as well.
    QStringList nameFilters;
    for (const QString &filter : filters) {
        QString patterns = filter.section(u'(', 1).section(u')', 0, 0);
        patterns.replace(u';', u' ');
        const QString upper = patterns.toUpper();
        nameFilters << QStringLiteral("%1 (%2)").arg(
            filter, upper == patterns ? patterns : patterns + u' ' + upper);
    }
    dialog.setNameFilters(nameFilters);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (!previous.isEmpty())
        dialog.selectFile(previous);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
