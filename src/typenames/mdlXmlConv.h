#pragma once

#include "Recordset.h"

#include <QString>
#include <memory>

namespace mdlXmlConv {

// Loads a recordset saved in ADO's XML persistence format (an s:Schema of
// the row's attributes, then rs:data with one z:row per record). nullptr for
// a missing, unreadable or malformed file; never throws, never tells the
// user. Entities are never resolved, and nothing but the file is read.
std::unique_ptr<Recordset> LoadRecordsetXml(const QString &path);

// The same from the file's bytes.
std::unique_ptr<Recordset> ParseRecordsetXml(const QByteArray &xml);

} // namespace mdlXmlConv
