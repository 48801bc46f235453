#pragma once

#include <QString>
#include <QStringView>

// Text in the workbook's XML. XML 1.0 cannot carry every character a name in
// an Access file may hold: the control characters other than tab, line feed
// and carriage return, U+FFFE, U+FFFF, and surrogates that are not one half
// of a pair. A single one of them in a part makes the whole workbook
// unreadable.

// The index of the first UTF-16 unit of text that XML cannot carry, or -1.
qsizetype FirstUnitXmlCannotCarry(QStringView text);

// Cell text as the workbook stores it: each unit XML cannot carry in the
// spreadsheet's own escape _xHHHH_ (the unit in four upper-case hex digits),
// which spreadsheet applications read back as that character; and the
// underscore that begins a literal _xHHHH_ in the text as _x005F_, so that
// the literal reads back as itself. libxlsxwriter escapes control characters
// in cell text too, but neither U+FFFE, U+FFFF nor lone surrogates, and it
// leaves literal escapes alone, so that nothing here is escaped twice.
// Text with nothing to escape, nearly all, comes back as it is, uncopied.
QString EscapedCellText(const QString &text);
