#pragma once

#include "FakeOpenFileSource.h"
#include "IconServices.h"
#include "ListView.h"
#include "LoginBox.h"
#include "RecordingIconServices.h"
#include "frmMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

// The real window, driven by real key and mouse events: by default over a fake open-file
// source and icon services that answer at once, touching no disk. The window asks the server on a worker
// thread and shows the busy cursor on the list until the answers are in: typeServer and
// typeFilter wait for that, the enter... and press... steps do not.
class WindowDriver {
public:
    std::shared_ptr<FakeOpenFileSource> source = std::make_shared<FakeOpenFileSource>();
    frmMain window;

    WindowDriver() : WindowDriver([this] { return source; }, std::make_shared<RecordingIconServices>()) {}

    WindowDriver(frmMain::SourceFactory sources, std::shared_ptr<IconServices> icons) : window(std::move(sources))
    {
        installIconServices(std::move(icons));
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        (void)QTest::qWaitForWindowActive(&window);
    }

    // A call still held would keep the worker, and so the window's end, waiting. A call on the
    // window's thread would have frozen the window for as long as the server took.
    ~WindowDriver()
    {
        source->releaseAll();
        EXPECT_EQ(source->callsOnMainThread(), 0);
    }

    void enterServer(const QString& name)
    {
        window.txtPc->setText(name);
        QTest::keyClick(window.txtPc, Qt::Key_Return);
    }

    void typeServer(const QString& name)
    {
        enterServer(name);
        settle();
    }

    void typeFilter(const QString& text)
    {
        window.txtFiltro->setFocus();
        window.txtFiltro->setText(text);
        QTest::keyClick(window.txtFiltro, Qt::Key_End);
        settle();
    }

    bool busy() const { return window.lst->cursor().shape() == Qt::BusyCursor; }

    // Waits until the worker has answered every request of the window, the answers are shown and
    // no login box waits for an answer.
    bool settle()
    {
        return QTest::qWaitFor(
            [this] { return !busy() && !qobject_cast<LoginBox*>(QApplication::activeModalWidget()); }, 20000);
    }

    // The texts of one column in display order, the rows' keys for column -1; of every row or
    // of the checked rows only.
    QStringList column(int subItem, bool checkedOnly = false) const
    {
        QStringList texts;
        for (std::int32_t p = 1; p <= window.lst->listItems().count(); ++p) {
            const ListItem row = window.lst->listItems().item(p);
            if (!checkedOnly || row.checked())
                texts << (subItem < 0 ? row.key() : subItem == 0 ? row.text() : row.subItem(subItem));
        }
        return texts;
    }

    QStringList rowKeys() const { return column(-1); }
    QStringList checkedKeys() const { return column(-1, true); }

    void check(const QString& key)
    {
        for (std::int32_t p = 1; p <= window.lst->listItems().count(); ++p) {
            ListItem row = window.lst->listItems().item(p);
            if (row.key() == key)
                row.setChecked(true);
        }
    }

    // Runs `act`, then `inPopup` on the pop-up menu or modal box it opened, which `inPopup`
    // must close, answer or choose from. Answers whether one opened.
    static bool whenOpened(const std::function<void()>& act, const std::function<void(QWidget&)>& inPopup)
    {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            QWidget* popup = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                               : QApplication::activeModalWidget();
            if (popup) {
                opened = true;
                inPopup(*popup);
            }
        });
        act();
        QApplication::processEvents();
        return opened;
    }

    void rightClickList() { QTest::mouseClick(window.lst->viewport(), Qt::RightButton, {}, QPoint(20, 20)); }

    // "no menu", or the enabled states of the items of the menu `act` opens as 1 and 0, and
    // where it opened; the menu is closed again.
    static QString menuStates(const std::function<void()>& act, QPoint* at = nullptr)
    {
        QString states = QStringLiteral("no menu");
        whenOpened(act, [&](QWidget& menu) {
            states.clear();
            for (QAction* action : menu.actions())
                states += action->isEnabled() ? u'1' : u'0';
            if (at)
                *at = menu.pos();
            menu.close();
        });
        return states;
    }

    // Chooses an item of the right button's menu; `inBox` gets the modal box it opens, if any.
    bool chooseFromMenu(int item, const std::function<void(QWidget&)>& inBox = [](QWidget&) {})
    {
        return whenOpened([this] { rightClickList(); }, [&](QWidget& menu) {
            static_cast<QMenu&>(menu).setActiveAction(menu.actions().at(item));
            whenOpened([&] { QTest::keyClick(&menu, Qt::Key_Return); }, inBox);
        });
    }

    // Chooses "Close checked files", runs `atQuestion` while the question is open and answers Yes.
    bool closeChecked(const std::function<void(QMessageBox&)>& atQuestion = [](QMessageBox&) {})
    {
        bool asked = false;
        return chooseFromMenu(0, [&](QWidget& box) {
            if (auto* question = qobject_cast<QMessageBox*>(&box)) {
                asked = true;
                atQuestion(*question);
                question->button(QMessageBox::Yes)->click();
            }
        }) && asked;
    }

    // "title|text" of the box the window opened after closing, which is then closed; empty when
    // none is open.
    QString takeNotice()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return {};
        const QString notice = box->windowTitle() + u'|' + box->text();
        box->button(QMessageBox::Ok)->click();
        (void)QTest::qWaitFor([] { return QApplication::activeModalWidget() == nullptr; });
        return notice;
    }
};
