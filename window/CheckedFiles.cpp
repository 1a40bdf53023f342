#include "CheckedFiles.h"

#include "ListView.h"
#include "clsNetFile.h"

// A row's tag is the index of the entry it shows.
CheckedFiles::CheckedFiles(const ListView& list, const clsNetFile& inventory)
{
    for (std::int32_t position = 1; position <= list.listItems().count(); ++position) {
        const ListItem row = list.listItems().item(position);
        if (row.checked())
            m_files.insert(fileOfEntry(inventory, row.tag()));
    }
}

void CheckedFiles::checkAgain(ListView& list, const clsNetFile& inventory) const
{
    if (m_files.empty())
        return;
    for (std::int32_t position = 1; position <= list.listItems().count(); ++position) {
        ListItem row = list.listItems().item(position);
        if (m_files.contains(fileOfEntry(inventory, row.tag())))
            row.setChecked(true);
    }
}

CheckedFiles::File CheckedFiles::fileOfEntry(const clsNetFile& inventory, std::int16_t index)
{
    return {inventory.idFile(index), inventory.userName(index), inventory.fileName(index)};
}
