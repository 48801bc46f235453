#pragma once

#include <QDir>
#include <QString>
#include <chrono>
#include <memory>

class QTemporaryDir;

// The private folders under the temporary directory in which workbooks are
// handed to the desktop. Each is named quillmere-XXXXXX and holds a marker
// file, so that the program can later tell its own folders from anything
// else there: a folder stays after the program ends, since the spreadsheet
// application reads the workbook when it gets round to it, and the folders
// of earlier runs are removed once they are a day old.
class HandOverFolders {
public:
    explicit HandOverFolders(QString tempDirectory = QDir::tempPath());

    // A new folder, readable by this user only and marked as the program's.
    // It is removed when the object goes, unless told otherwise. Throws
    // Failure when it cannot be made.
    std::unique_ptr<QTemporaryDir> create() const;

    // Removes the program's folders that were last changed longer ago than
    // maxAge: only folders with the program's name pattern, owned by this
    // user and holding the marker. Symbolic links are never followed. The
    // number of folders removed.
    int removeStale(std::chrono::seconds maxAge = std::chrono::hours(24)) const;

    // The marker's file name inside a folder.
    static const QString MarkerName;

private:
    bool isOwnStaleFolder(const QString &path, std::chrono::seconds maxAge) const;

    QString tempDirectory_;
};
