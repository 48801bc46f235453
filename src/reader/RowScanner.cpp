#include "reader/RowScanner.h"

#include "reader/TablePages.h"

#include <cstring>

namespace {
constexpr int OffsetMask = 0x1FFF;
constexpr int LookupFlag = 0x4000; // the slot holds a pointer to the row's new place
} // namespace

std::optional<std::string> StoredTextAsUtf8(MdbHandle *mdb, const void *bytes, int size) {
    // libmdb only reads the bytes, though its signature does not say so.
    char *converted = mdb_col_to_string(mdb, const_cast<void *>(bytes), 0, MDB_TEXT, size);
    if (!converted)
        return std::nullopt;
    std::string result(converted);
    g_free(converted);
    return result;
}

RowScanner::RowScanner(MdbHandle *mdb, const char *tableName, unsigned long tdefPage) : mdb_(mdb) {
    entry_.mdb = mdb;
    entry_.object_type = MDB_TABLE;
    entry_.table_pg = tdefPage;
    std::snprintf(entry_.object_name, sizeof entry_.object_name, "%s", tableName);
    table_ = mdb_read_table(&entry_);
    if (!table_)
        return;
    if (!mdb_read_columns(table_)) {
        mdb_free_tabledef(table_);
        table_ = nullptr;
        return;
    }
    mdb_rewind_table(table_);
    values_.resize(table_->num_cols);
}

RowScanner::~RowScanner() {
    if (table_)
        mdb_free_tabledef(table_);
}

int RowScanner::column(const char *name) const {
    for (unsigned int i = 0; i < table_->num_cols; ++i) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table_->columns, i));
        if (std::strcmp(col->name, name) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

bool RowScanner::next() {
    while (mdb_fetch_row(table_)) {
        if (crackCurrentRow()) {
            ++rowsRead_;
            return true;
        }
    }
    return false;
}

std::string RowScanner::shortfall() const {
    if (std::string problem = DataPageProblem(mdb_, *table_); !problem.empty())
        return problem;
    if (rowsRead_ < table_->num_rows)
        return "定義では " + std::to_string(table_->num_rows) + " 行のところ、" +
               std::to_string(rowsRead_) + " 行しか読み取れません";
    return {};
}

// mdb_fetch_row has just read the row before table_->cur_row on the page in
// mdb_->pg_buf; crack it again, keeping the raw bytes of every field.
bool RowScanner::crackCurrentRow() {
    const int pageSize = static_cast<int>(mdb_->fmt->pg_size);
    int start = 0;
    size_t length = 0;
    if (table_->cur_row == 0 ||
        mdb_find_row(mdb_, static_cast<int>(table_->cur_row) - 1, &start, &length) != 0)
        return false;

    bool swapped = false;
    if (start & LookupFlag) {
        // The row moved to another page; the slot holds its page and row.
        const int at = start & OffsetMask;
        if (at + 4 > pageSize)
            return false;
        const auto pointer = static_cast<int>(mdb_get_int32(mdb_->pg_buf, at));
        void *buffer = nullptr;
        int offset = 0;
        size_t len = 0;
        if (mdb_find_pg_row(mdb_, pointer, &buffer, &offset, &len) != 0)
            return false;
        mdb_swap_pgbuf(mdb_);
        swapped = true;
        start = offset;
        length = len;
    }
    start &= OffsetMask;

    std::vector<MdbField> fields(MDB_MAX_COLS);
    bool ok = start + static_cast<long>(length) <= pageSize;
    int count = 0;
    if (ok)
        count = mdb_crack_row(table_, start, length, fields.data());
    ok = ok && count >= 0;

    // Copy the row so the values stay valid whatever page libmdb reads next.
    if (ok)
        rowCopy_.assign(mdb_->pg_buf + start, mdb_->pg_buf + start + length);
    if (swapped)
        mdb_swap_pgbuf(mdb_);
    if (!ok)
        return false;

    for (auto &v : values_)
        v = Value{};
    for (int i = 0; i < count && i < MDB_MAX_COLS; ++i) {
        const MdbField &f = fields[i];
        if (f.colnum < 0 || f.colnum >= static_cast<int>(values_.size()) || f.is_null)
            continue;
        if (f.start < start || f.siz < 0 || f.start + f.siz > start + static_cast<long>(length))
            continue;
        values_[f.colnum] = Value{true, rowCopy_.data() + (f.start - start), f.siz};
    }
    return true;
}

const RowScanner::Value *RowScanner::field(int column) const {
    if (column < 0 || column >= static_cast<int>(values_.size()) || !values_[column].present)
        return nullptr;
    return &values_[column];
}

std::optional<std::string> RowScanner::text(int column) const {
    const Value *v = field(column);
    if (!v)
        return std::nullopt;
    auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table_->columns, column));
    if (col->col_type != MDB_TEXT)
        return std::nullopt;
    return StoredTextAsUtf8(mdb_, v->bytes, v->size);
}

std::optional<int64_t> RowScanner::integer(int column) const {
    const Value *v = field(column);
    if (!v)
        return std::nullopt;
    auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table_->columns, column));
    if (col->col_type == MDB_INT && v->size >= 2)
        return static_cast<int16_t>(mdb_get_int16(const_cast<unsigned char *>(v->bytes), 0));
    if (col->col_type == MDB_LONGINT && v->size >= 4)
        return static_cast<int32_t>(mdb_get_int32(const_cast<unsigned char *>(v->bytes), 0));
    if (col->col_type == MDB_BYTE && v->size >= 1)
        return v->bytes[0];
    return std::nullopt;
}

std::optional<double> RowScanner::dateTime(int column) const {
    const Value *v = field(column);
    if (!v)
        return std::nullopt;
    auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table_->columns, column));
    if (col->col_type != MDB_DATETIME || v->size < 8)
        return std::nullopt;
    return mdb_get_double(const_cast<unsigned char *>(v->bytes), 0);
}

std::optional<std::string> RowScanner::bytes(int column) const {
    const Value *v = field(column);
    if (!v)
        return std::nullopt;
    return std::string(reinterpret_cast<const char *>(v->bytes), static_cast<size_t>(v->size));
}
