#pragma once

#include <QString>

#include <cstdint>

// One kept open file of the inventory, with the texts derived from the server's record.
struct FileEntry {
    QString userName;        // lower case
    QString filePermission;  // permission words, lower case
    QString fileName;        // server-local path, lower case
    QString typeFile;        // extension of fileName without the dot, possibly empty
    std::int32_t idFile = 0; // the server's identifier, bit for bit
};
