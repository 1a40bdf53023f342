#pragma once

#include "FakeOpenFileSource.h"
#include "IconServices.h"
#include "ListView.h"
#include "frmMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>

// Icon services that answer at once and remember nothing on disk but the ghost files' names.
class QuietIconServices final : public IconServices {
public:
    QString tempPath() override { return m_dir.path(); }
    bool createOrOpen(const QString&) override { return true; }
    QPixmap smallIconOf(const QString&) override
    {
        QPixmap icon(16, 16);
        icon.fill(Qt::darkCyan);
        return icon;
    }

private:
    QTemporaryDir m_dir;
};

// The real window, driven by real key and mouse events: by default over a fake open-file
// source and icon services that answer at once. The window asks the server on a worker
// thread and shows the busy cursor on the list until the answers are in: typeServer and
// typeFilter wait for that, the enter... and press... steps do not.
class WindowDriver {
public:
    std::shared_ptr<FakeOpenFileSource> source = std::make_shared<FakeOpenFileSource>();
    frmMain window;

    WindowDriver() : WindowDriver([this] { return source; }, std::make_shared<QuietIconServices>()) {}

    WindowDriver(frmMain::SourceFactory sources, std::shared_ptr<IconServices> icons) : window(std::move(sources))
    {
        installIconServices(std::move(icons));
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        (void)QTest::qWaitForWindowActive(&window);
        window.txtPc->setFocus();
    }

    // A call still held would keep the worker, and so the window's end, waiting.
    ~WindowDriver() { source->releaseAll(); }

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

    // Waits until the worker has answered every request of the window and the answers are shown.
    bool settle()
    {
        return QTest::qWaitFor([this] { return !busy(); }, 20000);
    }

    std::size_t enumerations() const { return source->enumeratedSoFar().size(); }

    QStringList rowKeys() const
    {
        QStringList keys;
        for (std::int32_t p = 1; p <= window.lst->listItems().count(); ++p)
            keys << window.lst->listItems().item(p).key();
        return keys;
    }

    void check(const QString& key)
    {
        for (std::int32_t p = 1; p <= window.lst->listItems().count(); ++p) {
            ListItem row = window.lst->listItems().item(p);
            if (row.key() == key)
                row.setChecked(true);
        }
    }

    // Right-clicks the list and hands the open pop-up menu to `inMenu`, which must close it
    // or choose one of its items. Answers whether a menu appeared.
    bool rightClickList(const std::function<void(QMenu&)>& inMenu)
    {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                shown = true;
                inMenu(*menu);
            }
        });
        QTest::mouseClick(window.lst->viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QApplication::processEvents();
        return shown;
    }

    static void choose(QMenu& menu, QAction* action)
    {
        menu.setActiveAction(action);
        QTest::keyClick(&menu, Qt::Key_Return);
    }

    // Answers the next "Close checked files?" with the given button.
    static void answerConfirmation(QMessageBox::StandardButton answer, QString* text = nullptr)
    {
        QTimer::singleShot(0, [=] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            if (text)
                *text = box->windowTitle() + u'|' + box->text();
            box->button(answer)->click();
        });
    }
};
