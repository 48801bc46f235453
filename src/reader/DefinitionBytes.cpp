#include "reader/DefinitionBytes.h"

#include "reader/TablePages.h"

#include <cstdint>
#include <unordered_set>

namespace {
constexpr unsigned char DefinitionPageType = 0x02;
constexpr size_t PageHeaderSize = 8; // type, a byte, free space, the next page
// A definition of 255 columns with long names and 32 indexes takes about a
// dozen pages; one that goes on for more than this is damaged.
constexpr size_t PageLimit = 256;
} // namespace

std::optional<std::string> ReadDefinitionBytes(MdbHandle *mdb, unsigned long firstPage) {
    const size_t pageSize = static_cast<size_t>(mdb->fmt->pg_size);
    const unsigned long wholePages = WholePages(mdb);
    std::unordered_set<unsigned long> passed;
    std::string bytes;
    for (unsigned long page = firstPage; page != 0;) {
        if (page >= wholePages || !passed.insert(page).second || passed.size() > PageLimit ||
            pageSize > MDB_PGSIZE || mdb_read_alt_pg(mdb, page) != mdb->fmt->pg_size ||
            mdb->alt_pg_buf[0] != DefinitionPageType)
            return std::nullopt;
        const auto *buffer = reinterpret_cast<const char *>(mdb->alt_pg_buf);
        if (bytes.empty())
            bytes.assign(buffer, pageSize);
        else
            bytes.append(buffer + PageHeaderSize, pageSize - PageHeaderSize);
        page = static_cast<uint32_t>(mdb_get_int32(mdb->alt_pg_buf, 4));
    }
    return bytes;
}
