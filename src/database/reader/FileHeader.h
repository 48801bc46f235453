#pragma once

#include <cstdint>
#include <string>

// What the first page of an Access file says about the file, read before
// libmdb sees it: the format generation, the code page of a Jet 3 file's
// names, and whether a database password protects it.
struct FileHeader {
    int jetVersion = 0;     // 0 Jet 3, 1 Jet 4, 2 and up the ACE formats
    uint16_t codePage = 0;  // the code page names are stored in (Jet 3)
    bool hasPassword = false;
};

// Reads and decodes the header of the file at path. Returns false with a
// reason when the file is not an Access database at all.
bool ReadFileHeader(const char *path, FileHeader &header, std::string &why);
