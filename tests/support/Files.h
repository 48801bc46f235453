#pragma once

#include <QByteArray>
#include <QStringList>

// Writes the bytes to the file, made anew or emptied first; whether all of
// them were written.
bool WriteFile(const QString &path, const QByteArray &bytes);

// The names in a folder, hidden ones too, without "." and "..", sorted by
// name, case aside: what a test compares to tell that nothing was left
// behind.
QStringList FolderEntries(const QString &folder);
