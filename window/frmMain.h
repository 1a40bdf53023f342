#pragma once

#include "ImageList.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class ColumnHeader;
class ListView;
class OpenFileSource;
class PictureBox;
class QAction;
class QGroupBox;
class QLineEdit;
class QMenu;
class clsNetFile;

// The only window: the server box, the filter box, the list of open files and its pop-up
// menu. Controls carry the names under which the window's procedures reach them.
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
    PictureBox* pic = nullptr;
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
    void utilitymenu_Click(std::int16_t index);
    void lst_ColumnClick(const ColumnHeader& header);
    void lst_DblClick();

    // Procedures.
    clsNetFile& inventory();
    void refreshConnections();
    void fillList();
    void enableUtilityMenu();
    void closeCheckedFiles();

    // Runs an event handler so that no exception leaves it (see the definition).
    void runHandler(const std::function<void()>& handler);

    SourceFactory m_sourceFactory;
    std::unique_ptr<clsNetFile> m_inventory;
    bool listReady = false;
    // True while the rows come from a successful enumeration of the server the inventory
    // names now: only then may their identifiers be sent to that server.
    bool m_rowsMatchServer = false;
};
