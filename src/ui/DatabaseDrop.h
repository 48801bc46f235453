#pragma once

#include <QString>
#include <Qt>
#include <optional>

class QDropEvent;
class QMimeData;

// What the window takes of a drag onto its file name box or its list.
namespace DatabaseDrop {

// The action a drag or drop is taken with: a copy, or a link where the
// source offers no copy; never a move, which a file manager may take as
// leave to remove the dropped database. None for data without URLs, or
// with only a move to offer.
std::optional<Qt::DropAction> Action(const QDropEvent *event);

// The database a drop names: only the first file of a file list counts,
// and only with the extension of an Access database (those of the open
// dialog's filter, as the window has always had them). None otherwise.
std::optional<QString> File(const QMimeData *data);

} // namespace DatabaseDrop
