// memory-report: the memory of a process holding 32,767 entries and as many rows. Prints the
// heap growth per entry of the inventory and per row of the window (mallinfo2 deltas) and the
// peak resident size of the process (getrusage).

#include "BenchWindow.h"
#include "DesktopServices.h"
#include "SyntheticInventory.h"
#include "clsNetFile.h"
#include "frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <malloc.h>
#include <sys/resource.h>

#include <cstdio>
#include <memory>

namespace {

constexpr std::int32_t entries = 32767;

double heapBytes()
{
    return static_cast<double>(mallinfo2().uordblks + mallinfo2().hblkhd);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    installDesktopServices();

    const auto source = std::make_shared<SyntheticOpenFileSource>(entries);
    auto window = shownWindow([source] { return source; }, QString());
    QApplication::processEvents();

    // The inventory alone, outside the window: what its entries cost.
    const double beforeInventory = heapBytes();
    clsNetFile inventory(source);
    inventory.server(QStringLiteral("bench"));
    inventory.load(QString());
    const double inventoryBytes = heapBytes() - beforeInventory;

    // The window's own inventory and its rows, filled through the filter box.
    const double beforeWindow = heapBytes();
    window->txtPc->setText(QStringLiteral("bench"));
    window->txtFiltro->setFocus();
    QTest::keyClick(window->txtFiltro, Qt::Key_End);
    waitForAnswers(*window);
    const double windowBytes = heapBytes() - beforeWindow;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("entries                     %d\n", entries);
    std::printf("inventory bytes per entry   %.0f\n", inventoryBytes / entries);
    std::printf("window bytes per row        %.0f  (its own inventory entry included)\n", windowBytes / entries);
    std::printf("rows beyond the entry       %.0f\n", (windowBytes - inventoryBytes) / entries);
    std::printf("peak resident size MiB      %.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
