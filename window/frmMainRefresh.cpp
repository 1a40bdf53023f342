// The refresh flow: from the user's two inputs to the inventory, the rows and the status line,
// at once from the last answer and again when the server's fresh answer comes.

#include "frmMain.h"

#include "CheckedFiles.h"
#include "EventCodes.h"
#include "ListView.h"
#include "LoginBox.h"
#include "ServerLogins.h"
#include "ServerWorker.h"
#include "TextRules.h"
#include "clsNetFile.h"
#include "listViewUtility.h"

#include <QGroupBox>
#include <QLineEdit>

#include <utility>

namespace {

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
    refreshForAnotherServerName();
    txtFiltro->setFocus();
}

void frmMain::txtPc_LostFocus()
{
    refreshForAnotherServerName();
}

// A server named anew may be offered the login box again, even one declined before.
void frmMain::refreshForAnotherServerName()
{
    if (sameServerName(inventory().server(), txtPc->text()))
        return;
    m_loginDeclined.clear();
    refreshConnections();
}

void frmMain::txtFiltro_KeyUp(std::int16_t /*keyCode*/, std::int16_t /*shift*/)
{
    refreshConnections();
}

clsNetFile& frmMain::inventory()
{
    if (!m_inventory)
        createInventory();
    return *m_inventory;
}

ServerWorker& frmMain::worker()
{
    if (!m_worker)
        createInventory();
    return *m_worker;
}

// Shows at once what the last answer of the server named now holds for the filter, and asks
// the server again; the fresh answer replaces these rows when it comes. The request goes first,
// so the worker is busy while the rows are rebuilt. Rows of another server stay until its
// answer comes, offering no close; the check marks go, as after every rebuild the user causes.
void frmMain::refreshConnections()
{
    inventory().server(txtPc->text());
    m_listingFilter = txtFiltro->text();
    askForListing();
    m_rowsMatchServer = inventory().answeredServer() == inventory().server();
    if (m_rowsMatchServer) {
        inventory().rebuild(m_listingFilter);
        showInventory({});
    } else {
        fillList(); // a blank name has emptied the inventory
    }
}

// A request while the server's listing is in flight (or closes run) waits, replacing one that
// waits already: typing a word during a slow listing costs two listings, not one per key.
// Another server's listing never waits for it.
void frmMain::askForListing()
{
    const QString server = serverKey(inventory().serverPath());
    if (m_listingsInFlight.contains(server) || m_closing) {
        m_listingsWaiting.insert(server);
        showWhetherBusy();
    } else {
        startListing();
    }
}

void frmMain::startListing()
{
    const QString server = inventory().serverPath();
    m_listingsWaiting.remove(serverKey(server));
    m_listingsInFlight.insert(serverKey(server));
    worker().list(server);
    showWhetherBusy();
}

// An answer counts only for the server named now and never while closes run: it would
// otherwise show rows, and offer identifiers to close, of another server than the one named.
// A listing waiting for this answer runs only while its server is still the one named.
void frmMain::worker_Listed(const QString& server, const OpenFileList& answer)
{
    const QString key = serverKey(server);
    m_listingsInFlight.remove(key);
    const bool current = !m_closing && server == inventory().serverPath();
    const bool askedBeforeLogin = m_listedBeforeLogin.remove(key);
    if (key != serverKey(inventory().serverPath()))
        m_listingsWaiting.remove(key);
    else if (m_listingsWaiting.contains(key) && !m_closing)
        startListing();
    showWhetherBusy();
    if (!current)
        return;
    showAnswer(answer);
    if (answer.status.outcome == SourceOutcome::refusedLogin && !askedBeforeLogin)
        askForLogin(server);
}

// The server refused every login the desktop had for it: the person may type one. The failure
// stays on screen as it is; after OK the server is asked again with the typed login.
void frmMain::askForLogin(const QString& server)
{
    if (!m_logins || m_loginBox || server == m_loginDeclined)
        return;
    m_loginBox = new LoginBox(inventory().server(), this);
    connect(m_loginBox, &QDialog::finished, this,
            handled([this, server](int result) { loginBox_Finished(server, result); }));
    m_loginBox->open();
}

void frmMain::loginBox_Finished(const QString& server, int result)
{
    LoginBox* box = std::exchange(m_loginBox, nullptr);
    box->deleteLater();
    TypedLogin login = box->takeLogin();
    if (result != QDialog::Accepted) {
        m_loginDeclined = server;
        return;
    }
    m_logins->useLogin(server, std::move(login));
    // A listing asked meanwhile still runs with the refused login; its answer asks nothing.
    if (m_listingsInFlight.contains(serverKey(server)))
        m_listedBeforeLogin.insert(serverKey(server));
    else
        m_listedBeforeLogin.remove(serverKey(server));
    askForListing();
}

// The user did not ask for this rebuild: rows of files still listed keep their check marks.
void frmMain::showAnswer(const OpenFileList& answer)
{
    const CheckedFiles checked = m_rowsMatchServer ? CheckedFiles(*lst, inventory()) : CheckedFiles();
    m_rowsMatchServer = inventory().takeAnswer(answer);
    if (m_rowsMatchServer)
        inventory().rebuild(m_listingFilter);
    showInventory(checked);
}

// The rows follow every change of the inventory at once, so that a row's key always names the
// entry whose texts it shows.
void frmMain::showInventory(const CheckedFiles& checkAgain)
{
    fillList();
    checkAgain.checkAgain(*lst, inventory());
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

void frmMain::showWhetherBusy()
{
    if (m_closing || m_listingsInFlight.contains(serverKey(inventory().serverPath())))
        lst->setCursor(Qt::BusyCursor);
    else
        lst->unsetCursor();
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
