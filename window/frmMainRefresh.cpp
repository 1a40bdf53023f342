// The refresh flow: from the user's two inputs to the inventory, the rows and the status line.

#include "frmMain.h"

#include "ListView.h"
#include "TextRules.h"
#include "clsNetFile.h"
#include "listViewUtility.h"

#include <QGroupBox>
#include <QLineEdit>

namespace {

constexpr std::int16_t keyEnter = 13;

// Two names are the same server when they match after trimming blanks, ignoring case.
bool sameServerName(const QString& a, const QString& b)
{
    return trimBlanks(a).toString().toLower() == trimBlanks(b).toString().toLower();
}

QString rowKey(std::int16_t index)
{
    return QLatin1String("key") + QString::number(index);
}

} // namespace

void frmMain::Form_Load()
{
    setWindowTitle(QStringLiteral("Tarnwick v1.0") + QLatin1String(" - ")
                   + QStringLiteral("\u00A9 2026 The Tarnwick developers"));
    listReady = true;
}

void frmMain::txtPc_KeyUp(std::int16_t keyCode, std::int16_t /*shift*/)
{
    if (keyCode != keyEnter)
        return;
    if (!sameServerName(inventory().server(), txtPc->text()))
        refreshConnections();
    txtFiltro->setFocus();
}

void frmMain::txtPc_LostFocus()
{
    if (!sameServerName(inventory().server(), txtPc->text()))
        refreshConnections();
}

void frmMain::txtFiltro_KeyUp(std::int16_t /*keyCode*/, std::int16_t /*shift*/)
{
    refreshConnections();
}

clsNetFile& frmMain::inventory()
{
    if (!m_inventory)
        m_inventory = std::make_unique<clsNetFile>(m_sourceFactory());
    return *m_inventory;
}

void frmMain::refreshConnections()
{
    inventory().server(txtPc->text());
    m_rowsMatchServer = false;
    inventory().load(txtFiltro->text());
    // Only a successful enumeration composes a message; after a failed one the rows still
    // describe whatever server was listed before.
    m_rowsMatchServer = !inventory().message().isEmpty();
    fillList();
    frameConn->setTitle(inventory().message());
}

// Rebuilds the rows from the inventory. It lets no window event run in between, so nothing
// can change the inventory while its entries are being copied; listReady still guards against
// a fill starting inside another.
void frmMain::fillList()
{
    if (!listReady)
        return;
    listReady = false;
    try {
        lst->listItems().clear();
        const std::int16_t n = inventory().count();
        for (int entry = 1; entry <= n; ++entry) {
            const auto i = static_cast<std::int16_t>(entry);
            if (isBlank(inventory().userName(i)))
                continue;
            ListItem row = lst->listItems().add(rowKey(i), inventory().userName(i));
            row.setSubItem(1, inventory().filePermission(i));
            row.setSubItem(2, inventory().typeFile(i));
            row.setSubItem(3, inventory().fileName(i));
            row.setTag(i);
            setItemIcon(*lst, row, imgList, inventory().fileName(i), true);
        }
        if (inventory().count() > 0)
            autoSizeColumns(*lst, nullptr);
    } catch (const std::exception&) {
        // A fault ends the fill where it happened; the rows added so far stay.
    }
    listReady = true;
}

// Every Qt event that reaches a handler of the window comes through here. An error that
// escapes a handler (the inventory's overflow past 32,767 kept entries, for one) may have left
// the rows describing an older cache than the inventory holds now, and a row's key must always
// name the entry whose texts it shows: so the list is emptied, the inventory's message becomes
// the status line, and the window goes on.
void frmMain::runHandler(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (...) {
        m_rowsMatchServer = false;
        lst->listItems().clear();
        listReady = true;
        frameConn->setTitle(m_inventory ? m_inventory->message() : QString());
    }
}
