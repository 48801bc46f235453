#include "StoredDraftParts.h"

#include <dlfcn.h>
#include <zip.h>

namespace spreadsheet {

namespace {
thread_local int storing = 0;
} // namespace

StoredDraftParts::StoredDraftParts()
{
    ++storing;
}

StoredDraftParts::~StoredDraftParts()
{
    --storing;
}

} // namespace spreadsheet

// minizip's function for a new part, which libxlsxwriter calls for every
// part, defined here in the program so that libxlsxwriter's calls come here
// first; this passes each on to minizip unchanged, except that a part to be
// deflated while a StoredDraftParts lives on the thread is stored instead.
extern "C" int zipOpenNewFileInZip4_64(zipFile file, const char *filename, const zip_fileinfo *zipfi,
                                       const void *extrafield_local, uInt size_extrafield_local,
                                       const void *extrafield_global, uInt size_extrafield_global,
                                       const char *comment, int method, int level, int raw, int windowBits,
                                       int memLevel, int strategy, const char *password, uLong crcForCrypting,
                                       uLong versionMadeBy, uLong flagBase, int zip64)
{
    using Open = decltype(&zipOpenNewFileInZip4_64);
    static const Open minizip = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "zipOpenNewFileInZip4_64"));
    if (!minizip)
        return ZIP_INTERNALERROR;
    if (spreadsheet::storing > 0 && method == Z_DEFLATED && !raw) {
        method = 0;
        level = 0;
    }
    return minizip(file, filename, zipfi, extrafield_local, size_extrafield_local, extrafield_global,
                   size_extrafield_global, comment, method, level, raw, windowBits, memLevel, strategy, password,
                   crcForCrypting, versionMadeBy, flagBase, zip64);
}
