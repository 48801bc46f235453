#include "reader/TablePages.h"

#include <cstdint>
#include <cstdio>
#include <sys/stat.h>
#include <unordered_set>

namespace {

constexpr unsigned char DataPageType = 0x01;
constexpr unsigned char DefinitionPageType = 0x02;

std::string Page(unsigned long page) {
    return "ページ " + std::to_string(page);
}

// Reads the page into libmdb's second page buffer, leaving the page it is on
// in place; what is wrong when it cannot.
std::string ReadPage(MdbHandle *mdb, unsigned long page, unsigned long wholePages) {
    if (page >= wholePages)
        return Page(page) + " はファイルの終わりより後にあります";
    if (mdb_read_alt_pg(mdb, page) != mdb->fmt->pg_size)
        return Page(page) + " を読み取れません";
    return {};
}

unsigned long PageNumberAt(const unsigned char *bytes, int offset) {
    return static_cast<uint32_t>(mdb_get_int32(const_cast<unsigned char *>(bytes), offset));
}

} // namespace

unsigned long WholePages(MdbHandle *mdb) {
    struct stat status {};
    if (fstat(fileno(mdb->f->stream), &status) != 0)
        return 0;
    return static_cast<unsigned long>(status.st_size / mdb->fmt->pg_size);
}

std::string DefinitionPageProblem(MdbHandle *mdb, unsigned long firstPage) {
    const unsigned long wholePages = WholePages(mdb);
    std::unordered_set<unsigned long> checked;
    // The page a definition page continues on is at offset 4; 0 ends it.
    for (unsigned long page = firstPage; page != 0 && checked.insert(page).second;
         page = PageNumberAt(mdb->alt_pg_buf, 4)) {
        if (std::string problem = ReadPage(mdb, page, wholePages); !problem.empty())
            return problem;
        if (mdb->alt_pg_buf[0] != DefinitionPageType)
            return Page(page) + " はテーブル定義のページではありません";
    }
    return {};
}

std::string DataPageProblem(MdbHandle *mdb, const MdbTableDef &table) {
    if (!table.usage_map || table.map_sz == 0)
        return {}; // names no page
    const unsigned long wholePages = WholePages(mdb);
    // In the order libmdb reads them. A data page names its table's
    // definition page at offset 4.
    gint32 page = 0;
    while ((page = mdb_map_find_next(mdb, table.usage_map, static_cast<unsigned int>(table.map_sz),
                                     page)) > 0) {
        const auto number = static_cast<unsigned long>(page);
        if (std::string problem = ReadPage(mdb, number, wholePages); !problem.empty())
            return problem;
        if (mdb->alt_pg_buf[0] != DataPageType)
            return Page(number) + " はデータページではありません";
        if (PageNumberAt(mdb->alt_pg_buf, 4) != table.entry->table_pg)
            return Page(number) + " には別のテーブルの行があります";
    }
    if (page < 0)
        return "使用ページの一覧を読み取れません";
    return {};
}
