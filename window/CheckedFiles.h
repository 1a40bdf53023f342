#pragma once

#include <QString>

#include <cstdint>
#include <set>
#include <tuple>

class ListView;
class clsNetFile;

// The files of the checked rows, each known by identifier, user and path, so that a rebuild of
// the rows the user did not cause can check again the rows of the files still listed.
class CheckedFiles final {
public:
    CheckedFiles() = default;
    // Reads the checked rows' files from the inventory the rows were filled from.
    CheckedFiles(const ListView& list, const clsNetFile& inventory);

    // Checks every row of the list whose file is among these.
    void checkAgain(ListView& list, const clsNetFile& inventory) const;

private:
    using File = std::tuple<std::int32_t, QString, QString>;
    static File fileOfEntry(const clsNetFile& inventory, std::int16_t index);

    std::set<File> m_files;
};
