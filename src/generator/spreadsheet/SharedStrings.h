#pragma once

#include <QByteArray>
#include <QHash>
#include <vector>

namespace spreadsheet {

// The shared string table of a workbook: every distinct cell text once, in
// the order first written; cells refer to a text by its place. Texts are
// UTF-8 as the package stores them, control characters already escaped.
class SharedStrings {
public:
    // The place of the text, added at the end when it is new.
    int indexOf(const QByteArray &text);
    bool isEmpty() const { return texts_.empty(); }
    // The part xl/sharedStrings.xml.
    QByteArray xml() const;

private:
    QHash<QByteArray, int> places_;
    std::vector<QByteArray> texts_;
    qsizetype references_ = 0;
    qsizetype bytes_ = 0;
};

// Escapes the control characters other than tab and line feed as _xHHHH_,
// as libxlsxwriter does with every string cell it is given.
QByteArray EscapedControlCharacters(const QByteArray &utf8);

// Appends text with &, < and > escaped, as libxlsxwriter writes element text.
void AppendXmlData(QByteArray &out, const QByteArray &text);

} // namespace spreadsheet
