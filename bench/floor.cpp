// quillmere-bench-floor CATALOG.json OUTPUT.xlsx
//
// The floor for the workbook benchmark: writes the cells and formats of the
// table design workbook straight through libxlsxwriter, from a catalog that
// quillmere-catalog-dump printed beforehand, reading no database and keeping
// no workbook model. Nothing the program does can be faster than this.

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <xlsxwriter.h>

namespace {

const QHash<int, const char *> TypeNames = {{0, "adEmpty"},
                                            {2, "adSmallInt"},
                                            {3, "adInteger"},
                                            {4, "adSingle"},
                                            {5, "adDouble"},
                                            {6, "adCurrency"},
                                            {7, "adDate"},
                                            {8, "adBSTR"},
                                            {9, "adIDispatch"},
                                            {10, "adError"},
                                            {11, "adBoolean"},
                                            {12, "adVariant"},
                                            {13, "adIUnknown"},
                                            {14, "adDecimal"},
                                            {16, "adTinyInt"},
                                            {17, "adUnsignedTinyInt"},
                                            {18, "adUnsignedSmallInt"},
                                            {19, "adUnsignedInt"},
                                            {20, "adBigInt"},
                                            {21, "adUnsignedBigInt"},
                                            {64, "adFileTime"},
                                            {72, "adGUID"},
                                            {128, "adBinary"},
                                            {129, "adChar"},
                                            {130, "adWChar"},
                                            {131, "adNumeric"},
                                            {132, "adUserDefined"},
                                            {133, "adDBDate"},
                                            {134, "adDBTime"},
                                            {135, "adDBTimeStamp"},
                                            {136, "adChapter"},
                                            {138, "adPropVariant"},
                                            {139, "adVarNumeric"},
                                            {200, "adVarChar"},
                                            {201, "adLongVarChar"},
                                            {202, "adVarWChar"},
                                            {203, "adLongVarWChar"},
                                            {204, "adVarBinary"},
                                            {205, "adLongVarBinary"},
                                            {8192, "adArray"}};

// "yyyy/mm/dd hh:mm:ss" back to an Excel serial (the dump rounds to seconds).
double Serial(const QString &text) {
    const QDateTime t = QDateTime::fromString(text, "yyyy/MM/dd HH:mm:ss");
    const qint64 days = QDate(1899, 12, 30).daysTo(t.date());
    return double(days) + t.time().msecsSinceStartOfDay() / 86400000.0;
}

class Formats {
public:
    explicit Formats(lxw_workbook *book) : book_(book) {}
    // bold+grey, date, and the four edges: medium 2, thin 1, hair 7, none 0.
    lxw_format *get(bool label, bool date, uint8_t top, uint8_t bottom, uint8_t left,
                    uint8_t right) {
        const int key =
            (label << 17) | (date << 16) | (top << 12) | (bottom << 8) | (left << 4) | right;
        lxw_format *&f = made_[key];
        if (!f) {
            f = workbook_add_format(book_);
            if (label) {
                format_set_bold(f);
                format_set_pattern(f, LXW_PATTERN_GRAY_125);
            }
            if (date)
                format_set_num_format_index(f, 22);
            format_set_top(f, top);
            format_set_bottom(f, bottom);
            format_set_left(f, left);
            format_set_right(f, right);
        }
        return f;
    }

private:
    lxw_workbook *book_;
    QHash<int, lxw_format *> made_;
};

constexpr uint8_t M = LXW_BORDER_MEDIUM, T = LXW_BORDER_THIN, H = LXW_BORDER_HAIR;

lxw_worksheet *WriteSheet(lxw_workbook *book, Formats &formats, const QJsonObject &table) {
    lxw_worksheet *s =
        workbook_add_worksheet(book, table.value("name").toString().toUtf8().constData());
    const double widths[] = {1.83, 14.75, 15, 5.48, 6.5, 36.75, 1.83};
    for (int c = 0; c < 7; ++c)
        worksheet_set_column(s, c, c, widths[c], nullptr);

    const char *labels[] = {"テーブル名称", "更新日時", "作成日時"};
    for (int r = 0; r < 3; ++r) {
        const uint8_t top = r == 0 ? M : H, bottom = r == 2 ? M : H;
        worksheet_write_string(s, 1 + r, 1, labels[r], formats.get(true, false, top, bottom, M, T));
        lxw_format *value = formats.get(false, r > 0, top, bottom, T, M);
        if (r == 0)
            worksheet_write_string(s, 1, 2, table.value("name").toString().toUtf8().constData(),
                                   value);
        else
            worksheet_write_number(
                s, 1 + r, 2,
                Serial(table.value(r == 1 ? "dateModified" : "dateCreated").toString()), value);
    }

    const char *header[] = {"フィールド名", "データ型", "サイズ", "キー", "説明"};
    for (int c = 0; c < 5; ++c)
        worksheet_write_string(s, 5, 1 + c, header[c],
                               formats.get(true, false, M, M, c == 0 ? M : T, c == 4 ? M : T));

    const QJsonArray columns = table.value("columns").toArray();
    const QJsonArray keys = table.value("keys").toArray();
    for (int i = 0; i < columns.size(); ++i) {
        const QJsonObject column = columns[i].toObject();
        const QString name = column.value("name").toString();
        const uint8_t top = i == 0 ? M : H, bottom = i == columns.size() - 1 ? M : H;
        auto format = [&](int c) {
            return formats.get(false, false, top, bottom, c == 0 ? M : T, c == 4 ? M : T);
        };
        const lxw_row_t row = lxw_row_t(6 + i);
        worksheet_write_string(s, row, 1, name.toUtf8().constData(), format(0));
        worksheet_write_string(s, row, 2, TypeNames.value(column.value("type").toInt(), "#Error#"),
                               format(1));
        if (const int size = column.value("definedSize").toInt())
            worksheet_write_number(s, row, 3, size, format(2));
        else
            worksheet_write_blank(s, row, 3, format(2));
        QString mark;
        for (const QJsonValue &k : keys)
            if (k.toObject().value("columns").toArray().contains(name))
                mark = k.toObject().value("name").toString().remove("Key");
        if (mark.isEmpty())
            worksheet_write_blank(s, row, 4, format(3));
        else
            worksheet_write_string(s, row, 4, mark.toUtf8().constData(), format(3));
        worksheet_write_blank(s, row, 5, format(4));
    }
    return s;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillmere-bench-floor CATALOG.json OUTPUT.xlsx\n");
        return 64;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly))
        return 2;
    const QJsonArray tables =
        QJsonDocument::fromJson(file.readAll()).object().value("tables").toArray();
    lxw_workbook *book = workbook_new(argv[2]);
    Formats formats(book);
    lxw_worksheet *last = nullptr;
    for (const QJsonValue &t : tables)
        if (t.toObject().value("type").toString() == "TABLE")
            last = WriteSheet(book, formats, t.toObject());
    if (last)
        worksheet_activate(last); // the last table's sheet is the active one
    return workbook_close(book) == LXW_NO_ERROR ? 0 : 1;
}
