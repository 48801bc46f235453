#pragma once

#include <QByteArray>
#include <string_view>
#include <unordered_map>
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
    // Looked up once for every text cell: hashed with the standard library's
    // hash, a fraction of the cost of Qt's SipHash on texts this short.
    struct Hash {
        size_t operator()(const QByteArray &text) const
        {
            return std::hash<std::string_view>()(std::string_view(text.constData(), size_t(text.size())));
        }
    };
    std::unordered_map<QByteArray, int, Hash> places_;
    std::vector<QByteArray> texts_;
    qsizetype references_ = 0;
    qsizetype bytes_ = 0;
};

} // namespace spreadsheet
