#include "spreadsheet/FilePresenter.h"

#include "common/Failure.h"
#include "spreadsheet/XlsxFile.h"

#include <QDir>
#include <QFileInfo>

namespace spreadsheet {

FilePresenter::FilePresenter(QString path, bool asTemplate)
    : path_(std::move(path)), asTemplate_(asTemplate) {}

void FilePresenter::present(const Workbook &workbook) noexcept {
    try {
        QString path = path_;
        if (++presented_ > 1) {
            const QFileInfo file(path_);
            path = file.dir().filePath(QStringLiteral("%1-%2.%3")
                                           .arg(file.completeBaseName())
                                           .arg(presented_)
                                           .arg(file.suffix()));
        }
        if (asTemplate_)
            WriteXltx(workbook, path);
        else
            WriteXlsx(workbook, path);
        written_ << path;
    } catch (const Failure &e) {
        failures_.push_back(e);
    } catch (...) {
        failures_.emplace_back(FailureKind::Output, QStringLiteral("ブックを書き込めません。"));
    }
}

} // namespace spreadsheet
