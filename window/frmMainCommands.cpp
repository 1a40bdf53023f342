// The user's commands on the rows: the pop-up menu, closing checked files, checking all rows,
// sorting by a column and toggling a row's check mark.

#include "frmMain.h"

#include "ListView.h"
#include "ServerWorker.h"
#include "clsNetFile.h"
#include "listViewUtility.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QMessageBox>

#include <stdexcept>
#include <utility>
#include <vector>

namespace {

constexpr std::int16_t rightButton = 2;

enum UtilityCommand : std::int16_t { closeChecked = 0, checkAll = 1, uncheckAll = 2 };

// The entry index a row's key carries: the key without every "key" in it, read as a number.
std::int16_t entryIndexOfKey(QString key)
{
    key.remove(QLatin1String("key"), Qt::CaseSensitive);
    bool ok = false;
    const short index = key.toShort(&ok);
    if (!ok)
        throw std::invalid_argument("row key carries no entry index");
    return index;
}

bool userConfirmsClose(QWidget* parent)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Close files"), QStringLiteral("Close checked files?"),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

void frmMain::lst_MouseDown(std::int16_t button, std::int16_t /*shift*/, float /*x*/, float /*y*/)
{
    if (button == rightButton)
        popupUtilityMenu(QCursor::pos());
}

// The Menu key or Shift+F10: the same menu as the right button, at the current row.
void frmMain::lst_ContextMenuKey()
{
    popupUtilityMenu(lst->currentRowMenuPosition());
}

// The list's context menu: none on an empty list, nor while closes run.
void frmMain::popupUtilityMenu(const QPoint& at)
{
    if (lst->listItems().count() == 0 || m_closing)
        return;
    enableUtilityMenu();
    utility->exec(at);
}

void frmMain::enableUtilityMenu()
{
    // Closing is offered only for rows that came from the server the inventory names now.
    const bool anyChecked = countChecked(*lst) > 0;
    utilitymenu[closeChecked]->setEnabled(anyChecked && m_rowsMatchServer);
    utilitymenu[checkAll]->setEnabled(countChecked(*lst) < lst->listItems().count());
    utilitymenu[uncheckAll]->setEnabled(anyChecked);
}

void frmMain::utilitymenu_Click(std::int16_t index)
{
    switch (index) {
    case closeChecked:
        closeCheckedFiles();
        break;
    case checkAll:
        setAllChecked(*lst, true);
        break;
    case uncheckAll:
        setAllChecked(*lst, false);
        break;
    default:
        break;
    }
}

// Closes the files of the checked rows on the worker, in display order, then lists the server
// again. Answers may have rebuilt the rows while the question was open: the identifiers are
// those of the rows checked at Yes, and only while the rows are still the named server's.
void frmMain::closeCheckedFiles()
{
    if (!userConfirmsClose(this))
        return;
    if (!m_rowsMatchServer || m_closing)
        return;
    const std::int32_t rows = lst->listItems().count();
    if (!std::in_range<std::int16_t>(rows))
        throw std::overflow_error("more rows than a 16-bit position can address");
    std::vector<std::uint32_t> ids;
    for (std::int32_t position = 1; position <= rows; ++position) {
        const ListItem row = lst->listItems().item(position);
        if (row.checked())
            ids.push_back(static_cast<std::uint32_t>(inventory().idFile(entryIndexOfKey(row.key()))));
    }
    m_closing = true;
    worker().close(inventory().serverPath(), std::move(ids));
    showWhetherBusy();
}

void frmMain::worker_Closed()
{
    m_closing = false;
    refreshConnections();
}

void frmMain::lst_ColumnClick(const ColumnHeader& header)
{
    sortByColumn(*lst, header);
}

void frmMain::lst_DblClick()
{
    try {
        ListItem row = lst->selectedItem();
        row.setChecked(!row.checked());
    } catch (const std::exception&) {
        // No row selected (or it vanished): nothing to toggle.
    }
}
