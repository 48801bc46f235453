#pragma once

#include <QByteArray>
#include <QHash>
#include <vector>

namespace spreadsheet {

// The shared string table of a workbook: every distinct cell text once, in
// the order first written; cells refer to a text by its place. Texts are
// UTF-8, escaped for cells already (EscapedCellText).
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

} // namespace spreadsheet
