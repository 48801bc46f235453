#include "spreadsheet/XlsxFile.h"

#include "common/Failure.h"
#include "common/LocaleFreeNumbers.h"
#include "spreadsheet/Constants.h"
#include "spreadsheet/DraftFile.h"
#include "spreadsheet/OutputTarget.h"
#include "spreadsheet/PackageParts.h"
#include "spreadsheet/Workbook.h"
#include "spreadsheet/XmlText.h"

#include <unordered_map>
#include <xlsxwriter.h>

namespace spreadsheet {

namespace {

// Excel shows serial 1 as 1900-01-01, while the OLE date 1 is 1899-12-31:
// the two count alike from 1900-03-01 (61) on, and Excel's serials are one
// lower before that. Dates before 1900 have no serial at all.
constexpr double FirstExcelDay = 2.0; // OLE date of 1900-01-01
constexpr double SharedCountFrom = 61.0;
constexpr int BuiltInDateTimeFormat = 22;

uint8_t BorderStyle(const BorderLine *line) {
    if (!line)
        return LXW_BORDER_NONE;
    switch (line->weight) {
    case xl::Medium:
        return LXW_BORDER_MEDIUM;
    case xl::Hairline:
        return LXW_BORDER_HAIR;
    default:
        return LXW_BORDER_THIN;
    }
}

// Everything that tells one cell format from another.
struct FormatKey {
    bool bold = false;
    bool grayPattern = false;
    bool date = false;
    bool wrap = false;
    bool link = false;
    uint8_t top = 0, bottom = 0, left = 0, right = 0;
    bool isDefault() const {
        return !bold && !grayPattern && !date && !wrap && !link && !top && !bottom && !left &&
               !right;
    }
    // Every field in one number (the border styles are below 16): looked up
    // for every cell, which a hash of one number does fastest.
    uint32_t packed() const {
        return uint32_t(link) << 20 | uint32_t(bold) << 19 | uint32_t(grayPattern) << 18 |
               uint32_t(date) << 17 | uint32_t(wrap) << 16 | uint32_t(top & 0xF) << 12 |
               uint32_t(bottom & 0xF) << 8 | uint32_t(left & 0xF) << 4 | (right & 0xFu);
    }
};

// Hands the workbook model to libxlsxwriter, which writes the package to
// the file it opens by the name given; path is the workbook's name for
// messages.
class Writer {
public:
    Writer(const QByteArray &file, const QString &path) : path_(path) {
        if (!numbers_.isActive())
            throw Failure(FailureKind::Output,
                          QStringLiteral("ブック「%1」を作成できません。").arg(path),
                          QStringLiteral("no C locale"));
        lxw_workbook_options options{};
        options.use_zip64 = LXW_TRUE;
        book_ = workbook_new_opt(file.constData(), &options);
        if (!book_)
            throw Failure(FailureKind::Output,
                          QStringLiteral("ブック「%1」を作成できません。").arg(path));
    }
    ~Writer() {
        if (book_)
            workbook_close(book_); // only on a failure part way; its draft goes with it
    }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    void write(const Workbook &workbook) {
        for (const auto &sheet : workbook.sheets())
            writeSheet(*sheet, sheet.get() == workbook.activeSheet());
        const lxw_error error = workbook_close(book_);
        book_ = nullptr;
        check(error);
    }

private:
    lxw_format *format(const FormatKey &key) {
        if (key.isDefault())
            return nullptr;
        auto &made = formats_[key.packed()];
        if (!made) {
            made = workbook_add_format(book_);
            if (!made)
                check(LXW_ERROR_MEMORY_MALLOC_FAILED);
            if (key.bold)
                format_set_bold(made);
            // The automation's 16 % grey is the file's gray125.
            if (key.grayPattern)
                format_set_pattern(made, LXW_PATTERN_GRAY_125);
            if (key.date)
                format_set_num_format_index(made, BuiltInDateTimeFormat);
            if (key.wrap)
                format_set_text_wrap(made);
            // As the spreadsheet shows a link: blue, underlined.
            if (key.link) {
                format_set_underline(made, LXW_UNDERLINE_SINGLE);
                format_set_font_color(made, LXW_COLOR_BLUE);
            }
            format_set_top(made, key.top);
            format_set_bottom(made, key.bottom);
            format_set_left(made, key.left);
            format_set_right(made, key.right);
        }
        return made;
    }

    void writeSheet(const Worksheet &sheet, bool active) {
        lxw_worksheet *out = workbook_add_worksheet(book_, sheet.Name().toUtf8().constData());
        if (!out)
            throw Failure(FailureKind::Output,
                          QStringLiteral("シート「%1」を書き込めません。").arg(sheet.Name()));
        if (active)
            worksheet_activate(out);
        for (const auto &[column, width] : sheet.columnWidths()) {
            const auto c = static_cast<lxw_col_t>(column - 1);
            check(worksheet_set_column(out, c, c, width, nullptr));
        }
        for (const auto &[row, height] : sheet.rowHeights())
            check(worksheet_set_row(out, static_cast<lxw_row_t>(row - 1), height, nullptr));
        writePageSetup(out, sheet.pageSetup());
        // Merged first: the cells written below then replace the blank
        // area it leaves, each with its own format and borders.
        for (const auto &[top, left, bottom, right] : sheet.mergedAreas())
            check(worksheet_merge_range(out, static_cast<lxw_row_t>(top - 1),
                                        static_cast<lxw_col_t>(left - 1),
                                        static_cast<lxw_row_t>(bottom - 1),
                                        static_cast<lxw_col_t>(right - 1), "", nullptr));
        const auto &links = sheet.sheetLinks();
        for (const auto &[at, stored] : sheet.cellsInOrder()) {
            const auto [row, column] = at;
            const Cell &cell = *stored;
            FormatKey key;
            key.bold = cell.format.bold;
            key.grayPattern = cell.format.interiorPattern == xl::PatternGray16;
            key.wrap = cell.format.wrapText;
            key.top = BorderStyle(sheet.lineAbove(row, column));
            key.bottom = BorderStyle(sheet.lineAbove(row + 1, column));
            key.left = BorderStyle(sheet.lineLeftOf(row, column));
            key.right = BorderStyle(sheet.lineLeftOf(row, column + 1));
            const auto r = static_cast<lxw_row_t>(row - 1);
            const auto c = static_cast<lxw_col_t>(column - 1);
            if (const auto link = links.find(at); link != links.end()) {
                key.link = true;
                writeLink(out, r, c, link->second, cell.value, key);
            } else if (const auto *text = std::get_if<QString>(&cell.value))
                writeText(out, r, c, *text, key);
            else if (const auto *number = std::get_if<double>(&cell.value))
                check(worksheet_write_number(out, r, c, *number, format(key)));
            else if (const auto *date = std::get_if<OleDateTime>(&cell.value))
                writeDate(out, r, c, *date, key);
            else if (!key.isDefault())
                check(worksheet_write_blank(out, r, c, format(key)));
        }
    }

    // An empty text is a blank cell, with its format if it has one.
    void writeText(lxw_worksheet *out, lxw_row_t r, lxw_col_t c, const QString &text,
                   const FormatKey &key) {
        if (text.isEmpty()) {
            if (!key.isDefault())
                check(worksheet_write_blank(out, r, c, format(key)));
            return;
        }
        check(worksheet_write_string(out, r, c, EscapedCellText(text).toUtf8().constData(),
                                     format(key)));
    }

    // A link to the top-left cell of a sheet, showing the cell's text.
    void writeLink(lxw_worksheet *out, lxw_row_t r, lxw_col_t c, const QString &sheet,
                   const CellValue &value, const FormatKey &key) {
        QString quoted = sheet;
        quoted.replace(u'\'', QStringLiteral("''"));
        const QByteArray url = ("internal:'" + quoted + "'!A1").toUtf8();
        const auto *text = std::get_if<QString>(&value);
        const QByteArray shown = text ? EscapedCellText(*text).toUtf8() : QByteArray();
        check(worksheet_write_url_opt(out, r, c, url.constData(), format(key),
                                      text ? shown.constData() : nullptr, nullptr));
    }

    void writePageSetup(lxw_worksheet *out, const PageSetup &setup) {
        if (setup.landscape)
            worksheet_set_landscape(out);
        if (setup.fitToPageWidth)
            worksheet_fit_to_pages(out, 1, 0);
        if (!setup.footer.isEmpty())
            check(worksheet_set_footer(out, setup.footer.toUtf8().constData()));
    }

    void writeDate(lxw_worksheet *out, lxw_row_t r, lxw_col_t c, OleDateTime date, FormatKey key) {
        const double serial = date.serial();
        if (serial < FirstExcelDay) {
            // No date the spreadsheet can show; the same text the table list shows.
            writeText(out, r, c, date.toText(), key);
            return;
        }
        key.date = true;
        check(worksheet_write_number(out, r, c, serial < SharedCountFrom ? serial - 1 : serial,
                                     format(key)));
    }

    void check(lxw_error error) const {
        if (error != LXW_NO_ERROR)
            throw Failure(FailureKind::Output,
                          QStringLiteral("ブック「%1」を書き込めません。").arg(path_),
                          ErrorText(error));
    }

    // libxlsxwriter's errors in the user's words; its own (English) for the
    // ones this writer cannot cause.
    static QString ErrorText(lxw_error error) {
        switch (error) {
        case LXW_ERROR_MEMORY_MALLOC_FAILED:
            return QStringLiteral("メモリが足りません");
        case LXW_ERROR_CREATING_XLSX_FILE:
            return QStringLiteral("ファイルを作成できません");
        case LXW_ERROR_CREATING_TMPFILE:
        case LXW_ERROR_READING_TMPFILE:
            return QStringLiteral("一時ファイルを作成または読み取りできません");
        case LXW_ERROR_ZIP_FILE_OPERATION:
        case LXW_ERROR_ZIP_FILE_ADD:
        case LXW_ERROR_ZIP_CLOSE:
            return QStringLiteral("ファイルを書き込めません（ディスクの空きなど）");
        case LXW_ERROR_SHEETNAME_LENGTH_EXCEEDED:
        case LXW_ERROR_INVALID_SHEETNAME_CHARACTER:
        case LXW_ERROR_SHEETNAME_START_END_APOSTROPHE:
        case LXW_ERROR_SHEETNAME_ALREADY_USED:
            return QStringLiteral("シート名を使用できません");
        case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED:
            return QStringLiteral("セルの文字数が上限を超えています");
        default:
            return QString::fromUtf8(lxw_strerror(error));
        }
    }

    // libxlsxwriter prints every number with printf, in the thread's locale.
    ThreadNumbersInCLocale numbers_;
    QString path_;
    lxw_workbook *book_ = nullptr;
    std::unordered_map<uint32_t, lxw_format *> formats_;
};

void WritePackage(const Workbook &workbook, const QString &path, bool asTemplate) {
    const OutputTarget target = OutputTarget::of(path);
    // Drafts stand in the target's folder, so that a full disk there fails
    // the run, not the user's file; the finished one replaces the file at
    // the path only once it is complete.
    DraftFile written(target);
    Writer(written.openName(), path).write(workbook);
    CheckPackage(written.openName(), path);
    if (!asTemplate) {
        written.replace();
        return;
    }
    DraftFile copied(target);
    CopyAsTemplate(written.openName(), copied.openName(), path);
    copied.replace();
}

} // namespace

void WriteXlsx(const Workbook &workbook, const QString &path) {
    WritePackage(workbook, path, false);
}

void WriteXltx(const Workbook &workbook, const QString &path) {
    WritePackage(workbook, path, true);
}

} // namespace spreadsheet
