#include "DesktopPresenter.h"

#include "XlsxFile.h"
#include "common/Failure.h"

#include <QDesktopServices>
#include <QDir>
#include <QTemporaryDir>
#include <QUrl>

DesktopPresenter::DesktopPresenter(Notice tellUser, Opener open)
    : tellUser_(std::move(tellUser)), open_(std::move(open))
{
}

bool DesktopPresenter::OpenOnDesktop(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void DesktopPresenter::present(const spreadsheet::Workbook &workbook) noexcept
{
    try {
        // Readable by this user only; it stays after the program ends, since
        // the spreadsheet application reads it when it gets round to it.
        QTemporaryDir folder(QDir(QDir::tempPath()).filePath(QStringLiteral("quillmere-XXXXXX")));
        if (!folder.isValid())
            throw Failure(QStringLiteral("一時フォルダを作成できません: %1").arg(folder.errorString()));
        folder.setAutoRemove(false);
        const QString path = folder.filePath(QStringLiteral("テーブルデザイン.xltx"));
        spreadsheet::WriteXltx(workbook, path);
        if (!open_(path))
            tellUser_(QStringLiteral("表計算アプリケーションでブックを開けませんでした。\nブックは次のファイルにあります:\n%1")
                          .arg(QDir::toNativeSeparators(path)));
    } catch (const Failure &e) {
        tellUser_(QStringLiteral("ブックを保存できませんでした。\n%1").arg(e.message()));
    } catch (...) {
        tellUser_(QStringLiteral("ブックを保存できませんでした。"));
    }
}
