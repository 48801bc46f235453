#pragma once

#include "common/Failure.h"
#include "spreadsheet/WorkbookPresenter.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace spreadsheet {

// Writes each workbook it is handed to a file instead of showing it: for the
// command-line tools and the tests. The first workbook goes to the path
// given, further ones to the same name with "-2", "-3" before the suffix.
class FilePresenter : public WorkbookPresenter {
public:
    explicit FilePresenter(QString path, bool asTemplate = false);

    void present(const Workbook &workbook) noexcept override;

    const QStringList &written() const { return written_; }            // the files written
    const std::vector<Failure> &failures() const { return failures_; } // why others were not

private:
    QString path_;
    bool asTemplate_;
    int presented_ = 0;
    QStringList written_;
    std::vector<Failure> failures_;
};

} // namespace spreadsheet
