#pragma once

#include "FileEntry.h"
#include "ImageList.h"

#include <QPointer>
#include <QSet>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

class CheckedFiles;
class ColumnHeader;
class ListView;
class LoginBox;
class OpenFileSource;
class QAction;
class QGroupBox;
class QLineEdit;
class QMenu;
class ServerLogins;
class ServerWorker;
class clsNetFile;
struct OpenFileList;

// The only window: the server box, the filter box, the list of open files and its pop-up
// menu. Controls carry the names under which the window's procedures reach them.
//
// The window never waits on a server: listings and closes run on worker threads, one per
// server (ServerWorker), and come back as events of their own; the window's thread alone
// changes the inventory and the rows, always together. While the server named has a request
// of the window with the worker, or closes run, the list shows the busy cursor.
class frmMain final : public QWidget {
    Q_OBJECT
public:
    using SourceFactory = std::function<std::shared_ptr<OpenFileSource>()>;

    // The factory makes the open-file source of the inventory, on first use of the inventory.
    explicit frmMain(SourceFactory sourceFactory, QWidget* parent = nullptr);
    ~frmMain() override;

    // Controls, in layout order.
    QGroupBox* frameConn = nullptr;
    ImageList imgList;
    ListView* lst = nullptr;
    QGroupBox* frameFiltro = nullptr;
    QLineEdit* txtFiltro = nullptr;
    QGroupBox* frameNomePc = nullptr;
    QLineEdit* txtPc = nullptr;
    QMenu* utility = nullptr;
    std::array<QAction*, 3> utilitymenu{};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();

    // Event handlers.
    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void txtPc_KeyUp(std::int16_t keyCode, std::int16_t shift);
    void txtPc_LostFocus();
    void txtFiltro_KeyUp(std::int16_t keyCode, std::int16_t shift);
    void lst_MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void utilitymenu_Click(const QAction* item);
    void lst_ColumnClick(const ColumnHeader& header);
    void lst_DblClick();
    void lst_ContextMenuKey();
    void worker_Listed(const QString& server, const OpenFileList& answer);
    void worker_ListedBeforeClosing(const QString& server, const OpenFileList& answer);
    void worker_Closed();
    void loginBox_Finished(const QString& server, int result);

    // Procedures.
    clsNetFile& inventory();
    ServerWorker& worker();
    void createInventory();
    void refreshConnections();
    void refreshForAnotherServerName();
    void askForListing();
    void startListing();
    void showAnswer(const OpenFileList& answer);
    void showInventory(const CheckedFiles& checkAgain);
    void fillList();
    void showWhetherBusy();
    void askForLogin(const QString& server);
    void popupUtilityMenu(const QPoint& at);
    void enableUtilityMenu();
    void closeCheckedFiles();
    std::vector<FileEntry> checkedFilesInDisplayOrder();
    void finishClosing();

    // Runs an event handler so that no exception leaves it (see the definition).
    void runHandler(const std::function<void()>& handler);
    // The slot through which a signal reaches a handler: a member function of the window or a
    // function object, given as many of the signal's arguments as it takes, run by runHandler.
    template <typename Handler>
    auto handled(Handler handler);

    SourceFactory m_sourceFactory;
    std::unique_ptr<clsNetFile> m_inventory;
    std::unique_ptr<ServerWorker> m_worker;
    bool listReady = false;
    // True while the rows come from a successful enumeration of the server the inventory
    // names now: only then may their identifiers be sent to that server.
    bool m_rowsMatchServer = false;
    // Per server (serverKey), at most one listing with the worker and one waiting; the filter of
    // the latest request applies to whatever answer comes.
    QSet<QString> m_listingsInFlight;
    QSet<QString> m_listingsWaiting;
    QString m_listingFilter;
    // While closes run, no answer is applied and no menu offered. The files checked at Yes, in
    // display order, and what the person is told of those left open once the closes are done.
    bool m_closing = false;
    std::vector<FileEntry> m_filesToClose;
    QString m_leftOpenNotice;
    // The source's typed logins (none for a source that takes none). One login box at a time,
    // never blocking the worker's answers. It is not offered again for a server whose box was
    // cancelled until a server is named again, nor for the answer of a server's listing that
    // was asked before its login was typed.
    std::shared_ptr<ServerLogins> m_logins;
    QPointer<LoginBox> m_loginBox;
    QString m_loginDeclined;
    QSet<QString> m_listedBeforeLogin;
};

template <typename Handler>
auto frmMain::handled(Handler handler)
{
    const auto call = [&] {
        if constexpr (std::is_member_function_pointer_v<Handler>)
            return std::bind_front(handler, this);
        else
            return handler;
    }();
    // The return type turns down more arguments than the handler takes, so that Qt passes fewer,
    // as it does to a slot.
    return [this, call](const auto&... args) -> decltype(call(args...)) { runHandler([&] { call(args...); }); };
}
