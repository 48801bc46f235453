#pragma once

#include "reader/ReaderFailure.h"

#include <cstdint>
#include <optional>

// What the first page of an Access file says about the file, read before
// libmdb sees it: the format generation, the code page of a Jet 3 file's
// names, whether a database password protects it and whether its pages are
// encoded (Jet 3 and Jet 4 "encode database").
struct FileHeader {
    int jetVersion = 0;    // 0 Jet 3, 1 Jet 4, 2 and up the ACE formats
    uint16_t codePage = 0; // the code page names are stored in (Jet 3)
    bool hasPassword = false;
    bool isEncoded = false;
};

// Reads and decodes the header of the open file into header; why not when
// the file cannot be read, or is not an Access database at all.
std::optional<ReaderFailure> ReadFileHeader(int file, FileHeader &header);
