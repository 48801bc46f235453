#include "ui/DesktopPresenter.h"

#include "common/Failure.h"
#include "spreadsheet/XlsxFile.h"
#include "ui/WindowLog.h"

#include <QDesktopServices>
#include <QDir>
#include <QTemporaryDir>
#include <QUrl>

DesktopPresenter::DesktopPresenter(Notice tellUser, Opener open, HandOverFolders folders)
    : tellUser_(std::move(tellUser)), open_(std::move(open)), folders_(std::move(folders)) {}

bool DesktopPresenter::OpenOnDesktop(const QString &path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void DesktopPresenter::open(const QString &path) noexcept {
    try {
        if (!open_(path))
            tellUser_(QStringLiteral("表計算アプリケーションでブックを開けませんでした。\nブックは"
                                     "次のファイルにあります:\n%1")
                          .arg(QDir::toNativeSeparators(path)));
    } catch (...) {
        // Nothing may escape a release; the workbook stays in its folder.
    }
}

DesktopPresenter::Hold::~Hold() {
    if (--presenter_.holds_ > 0)
        return;
    const QStringList held = std::exchange(presenter_.held_, {});
    for (const QString &path : held)
        presenter_.open(path);
}

void DesktopPresenter::present(const spreadsheet::Workbook &workbook) noexcept {
    try {
        // Removed with what is in it when the workbook cannot be written;
        // once written, it stays after the program ends, since the
        // spreadsheet application reads it when it gets round to it.
        const std::unique_ptr<QTemporaryDir> folder = folders_.create();
        const QString path = folder->filePath(QStringLiteral("テーブルデザイン.xltx"));
        spreadsheet::WriteXltx(workbook, path);
        folder->setAutoRemove(false);
        if (holds_ > 0)
            held_ << path;
        else
            open(path);
    } catch (const Failure &e) {
        // The user reads the message; the system's reason goes to the log.
        if (!e.reason().isEmpty())
            qCWarning(lcWindow).noquote() << e.message() << e.reason();
        tellUser_(QStringLiteral("ブックを保存できませんでした。\n%1").arg(e.message()));
    } catch (...) {
        tellUser_(QStringLiteral("ブックを保存できませんでした。"));
    }
}
