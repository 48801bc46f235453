#pragma once

#include <QtGlobal>
#include <algorithm>
#include <unordered_map>
#include <utility>
#include <vector>

namespace spreadsheet {

// The cells of a sheet and the lines between them, by position. A slot at
// (row, column) holds that cell, if one was written there, and the lines
// above it and left of it. Table sheets fill a small block from the top
// left corner, so the slots there stand in one array, grown as needed;
// slots far from it are hashed.
template <typename Slot> class SheetGrid {
public:
    // The slot, made when missing.
    Slot &at(int row, int column) {
        if (row <= MaxDenseRows && column <= MaxDenseColumns) {
            if (row > rows_ || column > columns_)
                grow(row, column);
            return dense_[index(row, column)];
        }
        return sparse_[Key(row, column)];
    }

    // The slot, or none when nothing was ever put there.
    const Slot *find(int row, int column) const {
        if (row <= MaxDenseRows && column <= MaxDenseColumns)
            return row <= rows_ && column <= columns_ ? &dense_[index(row, column)] : nullptr;
        const auto it = sparse_.find(Key(row, column));
        return it == sparse_.end() ? nullptr : &it->second;
    }

    // Every slot, by row, then column.
    template <typename Visit> void forEachInOrder(Visit visit) const {
        std::vector<std::pair<std::pair<int, int>, const Slot *>> far;
        far.reserve(sparse_.size());
        for (const auto &[key, slot] : sparse_)
            far.push_back({{int(key >> 32), int(key & 0xFFFFFFFFu)}, &slot});
        std::sort(far.begin(), far.end(),
                  [](const auto &a, const auto &b) { return a.first < b.first; });
        auto next = far.begin();
        for (int row = 1; row <= rows_; ++row) {
            for (; next != far.end() && next->first.first < row; ++next)
                visit(next->first.first, next->first.second, *next->second);
            for (int column = 1; column <= columns_; ++column)
                visit(row, column, dense_[index(row, column)]);
            for (; next != far.end() && next->first.first == row; ++next)
                visit(next->first.first, next->first.second, *next->second);
        }
        for (; next != far.end(); ++next)
            visit(next->first.first, next->first.second, *next->second);
    }

private:
    static constexpr int MaxDenseRows = 65536;
    static constexpr int MaxDenseColumns = 64;

    static quint64 Key(int row, int column) {
        return quint64(quint32(row)) << 32 | quint32(column);
    }
    size_t index(int row, int column) const {
        return size_t(row - 1) * size_t(columns_) + size_t(column - 1);
    }

    void grow(int row, int column) {
        // A few rows to spare, as fields are written row by row; columns
        // only as asked, the sheets being narrow.
        const int rows = row > rows_ ? std::min(MaxDenseRows, std::max(row, rows_ + 8)) : rows_;
        const int columns = std::max(columns_, column);
        std::vector<Slot> grown(size_t(rows) * size_t(columns));
        for (int r = 1; r <= rows_; ++r)
            for (int c = 1; c <= columns_; ++c)
                grown[size_t(r - 1) * size_t(columns) + size_t(c - 1)] =
                    std::move(dense_[index(r, c)]);
        dense_ = std::move(grown);
        rows_ = rows;
        columns_ = columns;
    }

    std::vector<Slot> dense_;
    int rows_ = 0;
    int columns_ = 0;
    std::unordered_map<quint64, Slot> sparse_;
};

} // namespace spreadsheet
