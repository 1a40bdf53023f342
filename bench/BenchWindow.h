#pragma once

#include "ListView.h"
#include "frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <memory>
#include <utility>

// A new window on screen, its server box holding the name: where every window benchmark starts.
inline std::unique_ptr<frmMain> shownWindow(frmMain::SourceFactory sources, const QString& server)
{
    auto window = std::make_unique<frmMain>(std::move(sources));
    window->show();
    (void)QTest::qWaitForWindowExposed(window.get());
    window->txtPc->setText(server);
    return window;
}

// Runs the window's events until its list drops the busy cursor: the server has answered
// every request of the window and the answers are on screen. Sleeps only while no event is due.
inline void waitForAnswers(const frmMain& window)
{
    while (window.lst->cursor().shape() == Qt::BusyCursor)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
