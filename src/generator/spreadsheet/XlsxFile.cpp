#include "XlsxFile.h"

#include "Constants.h"
#include "DraftFile.h"
#include "OutputTarget.h"
#include "SharedStrings.h"
#include "SheetCells.h"
#include "Workbook.h"
#include "XlsxPackage.h"
#include "XmlText.h"
#include "common/Failure.h"

#include <unordered_map>
#include <xlsxwriter.h>

namespace spreadsheet {

namespace {

// Excel shows serial 1 as 1900-01-01, while the OLE date 1 is 1899-12-31:
// the two count alike from 1900-03-01 (61) on, and Excel's serials are one
// lower before that. Dates before 1900 have no serial at all.
constexpr double FirstExcelDay = 2.0;  // OLE date of 1900-01-01
constexpr double SharedCountFrom = 61.0;
constexpr int BuiltInDateTimeFormat = 22;

uint8_t BorderStyle(const BorderLine *line)
{
    if (!line)
        return LXW_BORDER_NONE;
    switch (line->weight) {
    case xl::Medium: return LXW_BORDER_MEDIUM;
    case xl::Hairline: return LXW_BORDER_HAIR;
    default: return LXW_BORDER_THIN;
    }
}

// Everything that tells one cell format from another.
struct FormatKey {
    bool bold = false;
    bool grayPattern = false;
    bool date = false;
    bool wrap = false;
    uint8_t top = 0, bottom = 0, left = 0, right = 0;
    bool isDefault() const { return !bold && !grayPattern && !date && !wrap && !top && !bottom && !left && !right; }
    // Every field in one number (the border styles are below 16): looked up
    // for every cell, which a hash of one number does fastest.
    uint32_t packed() const
    {
        return uint32_t(bold) << 19 | uint32_t(grayPattern) << 18 | uint32_t(date) << 17 | uint32_t(wrap) << 16 |
               uint32_t(top & 0xF) << 12 | uint32_t(bottom & 0xF) << 8 | uint32_t(left & 0xF) << 4 | (right & 0xFu);
    }
};

// Writes the workbook with libxlsxwriter to the file it opens by the name
// given; path is the workbook's name for messages.
class Writer {
public:
    Writer(const QByteArray &file, const QString &path) : path_(path)
    {
        lxw_workbook_options options{};
        options.use_zip64 = LXW_TRUE;
        book_ = workbook_new_opt(file.constData(), &options);
        if (!book_)
            throw Failure(QStringLiteral("ブック「%1」を作成できません。").arg(path));
    }
    ~Writer()
    {
        if (book_)
            workbook_close(book_); // only on a failure part way; its draft goes with it
    }

    // libxlsxwriter writes the package without the cells. They go to the
    // edits, written and deflated on the workers while libxlsxwriter works,
    // for the finishing to put into the sheets.
    void write(const Workbook &workbook, PackageEdits &edits, QThreadPool &workers)
    {
        for (const auto &sheet : workbook.sheets()) {
            SheetCells cells = writeSheet(*sheet, sheet.get() == workbook.activeSheet());
            PackageEdits::SheetContents contents;
            contents.dimension = cells.dimension();
            contents.data = StartDeflating(workers, [cells = std::move(cells)] { return cells.sheetData(); }, false);
            edits.sheets.push_back(std::move(contents));
        }
        if (!strings_.isEmpty())
            edits.sharedStrings = StartDeflating(workers, [strings = std::move(strings_)] { return strings.xml(); }, true);
        const lxw_error error = workbook_close(book_);
        book_ = nullptr;
        if (error != LXW_NO_ERROR)
            throw Failure(QStringLiteral("ブック「%1」を書き込めません: %2").arg(path_, QString::fromUtf8(lxw_strerror(error))));
    }

private:
    lxw_format *format(const FormatKey &key)
    {
        if (key.isDefault())
            return nullptr;
        auto &made = formats_[key.packed()];
        if (!made) {
            made = workbook_add_format(book_);
            if (key.bold)
                format_set_bold(made);
            if (key.grayPattern)
                format_set_pattern(made, LXW_PATTERN_GRAY_125);
            if (key.date)
                format_set_num_format_index(made, BuiltInDateTimeFormat);
            if (key.wrap)
                format_set_text_wrap(made);
            format_set_top(made, key.top);
            format_set_bottom(made, key.bottom);
            format_set_left(made, key.left);
            format_set_right(made, key.right);
        }
        return made;
    }

    // The format's place in the styles part; 0 for the default format.
    int32_t style(const FormatKey &key)
    {
        lxw_format *made = format(key);
        return made ? lxw_format_get_xf_index(made) : 0;
    }

    SheetCells writeSheet(const Worksheet &sheet, bool active)
    {
        SheetCells cells;
        lxw_worksheet *out = workbook_add_worksheet(book_, sheet.Name().toUtf8().constData());
        if (!out)
            throw Failure(QStringLiteral("シート「%1」を書き込めません。").arg(sheet.Name()));
        if (active)
            worksheet_activate(out);
        // The finishing writes the sheet's column list in full, with the
        // widths exactly as set (PackageEdits::columnWidths); libxlsxwriter
        // only has to write a list for it to replace, so it is given one
        // column, not all: it prints every width it holds with snprintf.
        if (const auto &widths = sheet.columnWidths(); !widths.empty()) {
            const auto [column, width] = *widths.begin();
            check(worksheet_set_column(out, static_cast<lxw_col_t>(column - 1), static_cast<lxw_col_t>(column - 1),
                                       width, nullptr));
        }

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

            if (const auto *text = std::get_if<QString>(&cell.value)) {
                writeText(out, cells, r, c, EscapedCellText(*text).toUtf8(), key);
            } else if (const auto *number = std::get_if<double>(&cell.value)) {
                cells.addNumber(r, c, style(key), *number);
            } else if (const auto *date = std::get_if<OleDateTime>(&cell.value)) {
                writeDate(out, cells, r, c, *date, key);
            } else if (!key.isDefault()) {
                cells.addBlank(r, c, style(key));
            }
        }
        return cells;
    }

    // Text as libxlsxwriter takes it: at most xl::MaxTextLength characters, and
    // an empty text is a blank cell. The first text of the workbook is
    // written through libxlsxwriter as well, so that the package declares
    // the shared strings, which the finishing then writes in full.
    void writeText(lxw_worksheet *out, SheetCells &cells, lxw_row_t r, lxw_col_t c, const QByteArray &text,
                   const FormatKey &key)
    {
        if (text.isEmpty()) {
            if (!key.isDefault())
                cells.addBlank(r, c, style(key));
            return;
        }
        if (lxw_utf8_strlen(text.constData()) > size_t{xl::MaxTextLength})
            check(LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED);
        const bool first = strings_.isEmpty();
        cells.addText(r, c, style(key), strings_.indexOf(text));
        if (first)
            check(worksheet_write_string(out, r, c, text.constData(), format(key)));
    }

    void writeDate(lxw_worksheet *out, SheetCells &cells, lxw_row_t r, lxw_col_t c, OleDateTime date, FormatKey key)
    {
        const double serial = date.serial();
        if (serial < FirstExcelDay) {
            // No date the spreadsheet can show; the same text the table list shows.
            writeText(out, cells, r, c, EscapedCellText(date.toText()).toUtf8(), key);
            return;
        }
        key.date = true;
        cells.addNumber(r, c, style(key), serial < SharedCountFrom ? serial - 1 : serial);
    }

    void check(lxw_error error)
    {
        if (error != LXW_NO_ERROR)
            throw Failure(QStringLiteral("ブック「%1」を書き込めません: %2").arg(path_, QString::fromUtf8(lxw_strerror(error))));
    }

    QString path_;
    lxw_workbook *book_ = nullptr;
    std::unordered_map<uint32_t, lxw_format *> formats_;
    SharedStrings strings_;
};

void WritePackage(const Workbook &workbook, const QString &path, bool asTemplate)
{
    const OutputTarget target = OutputTarget::of(path);
    // The program's shared workers, started once. Everything they are given
    // holds what it works on, so a failure here may leave them to finish.
    QThreadPool &workers = *QThreadPool::globalInstance();
    PackageEdits edits;
    edits.asTemplate = asTemplate;
    for (const auto &sheet : workbook.sheets())
        edits.columnWidths.push_back(sheet->columnWidths());
    // libxlsxwriter writes a first draft; the finished package, which holds
    // what libxlsxwriter cannot express, is the second, and replaces the
    // file at the path only once it is complete. Both stand in the target's
    // folder, so that a full disk there fails the run, not the user's file.
    const DraftFile written(target.folder);
    DraftFile finished(target.folder);
    Writer(written.openName(), path).write(workbook, edits, workers);
    FinishPackage(written.openName(), finished.openName(), path, edits, workers);
    finished.replace(target.file, target.mode);
}

} // namespace

void WriteXlsx(const Workbook &workbook, const QString &path)
{
    WritePackage(workbook, path, false);
}

void WriteXltx(const Workbook &workbook, const QString &path)
{
    WritePackage(workbook, path, true);
}

} // namespace spreadsheet
