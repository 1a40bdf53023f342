// The user's commands on the rows: the pop-up menu, closing checked files, checking all rows,
// sorting by a column and toggling a row's check mark.

#include "frmMain.h"

#include "AnswerEntries.h"
#include "ClosePlan.h"
#include "EventCodes.h"
#include "ListView.h"
#include "ServerWorker.h"
#include "clsNetFile.h"
#include "listViewUtility.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QMessageBox>
#include <QStringList>

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

enum UtilityCommand : std::size_t { closeChecked = 0, checkAll = 1, uncheckAll = 2 };

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

// Why checked files were left open, for the one box that says so after the closes.
struct LeftOpenReason {
    const char* one;
    const char* many;
};
constexpr LeftOpenReason sharedIdentifier{
    "another open file on the server shares its identifier, so closing it would close that file too.",
    "another open file on the server shares their identifier, so closing them would close it too."};
constexpr LeftOpenReason changedSinceRead{"it changed or closed since the list was read.",
                                          "they changed or closed since the list was read."};
constexpr LeftOpenReason notListedAgain{"the server could not be listed again just before closing.",
                                        "the server could not be listed again just before closing."};

QString leftOpen(std::size_t files, const LeftOpenReason& why)
{
    if (files == 0)
        return {};
    if (files == 1)
        return QLatin1String("1 checked file was left open: ") + QLatin1String(why.one);
    return QString::number(files) + QLatin1String(" checked files were left open: ") + QLatin1String(why.many);
}

QString leftOpenNotice(const ClosePlan& plan)
{
    QStringList reasons{leftOpen(plan.leftOpenShared, sharedIdentifier), leftOpen(plan.leftOpenChanged, changedSinceRead)};
    reasons.removeAll(QString());
    return reasons.join(u'\n');
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

void frmMain::utilitymenu_Click(const QAction* item)
{
    switch (static_cast<std::size_t>(std::ranges::find(utilitymenu, item) - utilitymenu.begin())) {
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

// Closing never touches a file that was not checked: the server closes by identifier, and one
// identifier can name two open files. After Yes the server is listed once more; only then are
// the identifiers that name exactly the checked files closed, on the worker, in display order
// (ClosePlan.h), and the list is read again. The files are those of the rows checked at Yes,
// and only while the rows are still the named server's.
void frmMain::closeCheckedFiles()
{
    if (!userConfirmsClose(this))
        return;
    if (!m_rowsMatchServer || m_closing)
        return;
    m_filesToClose = checkedFilesInDisplayOrder();
    m_closing = true;
    worker().listBeforeClosing(inventory().serverPath());
    showWhetherBusy();
}

std::vector<FileEntry> frmMain::checkedFilesInDisplayOrder()
{
    const std::int32_t rows = lst->listItems().count();
    if (!std::in_range<std::int16_t>(rows))
        throw std::overflow_error("more rows than a 16-bit position can address");
    std::vector<FileEntry> files;
    for (std::int32_t position = 1; position <= rows; ++position) {
        const ListItem row = lst->listItems().item(position);
        if (!row.checked())
            continue;
        const std::int16_t index = entryIndexOfKey(row.key());
        files.push_back({inventory().userName(index), inventory().filePermission(index), inventory().fileName(index),
                         inventory().typeFile(index), inventory().idFile(index)});
    }
    return files;
}

// No answer is taken while closes run, so the inventory's last answer is still the one the
// checked rows came from. A failed listing closes nothing.
void frmMain::worker_ListedBeforeClosing(const QString& server, const OpenFileList& answer)
{
    if (answer.status.outcome != SourceOutcome::done) {
        m_leftOpenNotice = leftOpen(m_filesToClose.size(), notListedAgain);
        finishClosing();
        return;
    }
    const ClosePlan plan = planClose(m_filesToClose, inventory().answer(), entriesOf(answer.records));
    m_leftOpenNotice = leftOpenNotice(plan);
    if (plan.ids.empty())
        finishClosing();
    else
        worker().close(server, plan.ids);
}

void frmMain::worker_Closed()
{
    finishClosing();
}

// Exactly one refresh follows; the notice of checked files left open comes with it, in a box
// that leaves the window running meanwhile.
void frmMain::finishClosing()
{
    m_closing = false;
    m_filesToClose.clear();
    if (!m_leftOpenNotice.isEmpty()) {
        auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Close files"),
                                    std::exchange(m_leftOpenNotice, {}), QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
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
