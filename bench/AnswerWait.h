#pragma once

#include "ListView.h"
#include "frmMain.h"

#include <QApplication>

// Runs the window's events until its list drops the busy cursor: the server has answered
// every request of the window and the answers are on screen. Sleeps only while no event is due.
inline void waitForAnswers(const frmMain& window)
{
    while (window.lst->cursor().shape() == Qt::BusyCursor)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
