#pragma once

#include "common/TextHash.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <unordered_map>
#include <vector>

// The fields and records of a loaded recordset, kept compactly: a record
// holds only the values the file gives it, each as the text the file has
// for it, so that a file declaring many fields with few values costs no more
// than its size. A value is read as its field's kind: a number (qint64 or
// double), a text, or null where the record has none.
class RecordsetData {
public:
    enum class Kind { Text, Integer, Real };

    // The value a text stands for in a field of the kind; nothing when it is
    // no number of that kind.
    static std::optional<QVariant> Convert(QStringView text, Kind kind);

    // Built in file order: every field first, then the values of each
    // record, each record closed by endRecord(). A value given twice for a
    // field of one record replaces the first.
    void addField(const QString &name, Kind kind);
    void setKind(int field, Kind kind) { kinds_[static_cast<size_t>(field)] = kind; }
    // Room for this many records, values and characters of values, so that
    // building need not copy what it has; only what is used is touched.
    void reserve(qsizetype records, qsizetype values, qsizetype characters);
    // false when the text is no value of the field's kind. Throws Failure
    // (NameFile) when the values would not fit the positions it keeps.
    bool addValue(int field, QStringView text);
    void endRecord();

    const QStringList &fieldNames() const { return names_; }
    int fieldCount() const { return static_cast<int>(names_.size()); }
    // The first field with this name in any case, or -1.
    int fieldIndex(const QString &name) const;
    Kind kindOf(int field) const { return kinds_[static_cast<size_t>(field)]; }
    qsizetype recordCount() const { return static_cast<qsizetype>(recordEnds_.size()); }

    // The field's value in the record; null when the record has none.
    QVariant value(qsizetype record, int field) const;

    // Calls visit(record, text) for every value of the field, in file order.
    template <typename Visit> void forEachValue(int field, Visit visit) const {
        const size_t recorded = recordEnds_.empty() ? 0 : recordEnds_.back();
        qsizetype record = 0;
        for (size_t i = 0; i < recorded; ++i) {
            while (recordEnds_[static_cast<size_t>(record)] <= i)
                ++record;
            if (cells_[i].field == static_cast<quint32>(field))
                visit(record, textOf(cells_[i]));
        }
    }

private:
    struct Cell {
        quint32 field;
        quint32 start; // in texts_
        quint32 length;
    };
    QStringView textOf(const Cell &cell) const {
        return QStringView(texts_).mid(cell.start, cell.length);
    }

    QStringList names_;
    std::vector<Kind> kinds_;
    std::unordered_map<QString, int, TextHash> fieldsByFoldedName_;
    // Each name as the file spells it, with the field it stands for: the
    // usual lookup, which then needs no case folding.
    std::unordered_map<QString, int, TextHash> fieldsBySpelling_;
    std::vector<Cell> cells_;         // the values of every record, record after record
    std::vector<quint32> recordEnds_; // where each record's values end in cells_
    QString texts_;                   // the text of every value, one after another
    // While a record is built: where each field's value stands in cells_;
    // an index before the record's first value is one of an earlier record.
    std::vector<quint32> cellOfField_;
};
