// The window without a mouse: what a screen reader announces.
#include "WindowDriver.h"

#include <QAccessible>

#include <gtest/gtest.h>

namespace {

QString announcedName(QObject* control)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    return accessible ? accessible->text(QAccessible::Name) : QStringLiteral("<not accessible>");
}

} // namespace

TEST(Keyboard, ScreenReadersAnnounceTheListTheBoxesAndTheMenu)
{
    WindowDriver driver;
    frmMain& window = driver.window;
    const std::pair<QObject*, const char*> controls[] = {
        {window.lst, "Open files"}, {window.txtPc, "Name server"}, {window.txtFiltro, "Filter"}, {window.utility, "Utility"}};
    for (const auto& [control, name] : controls)
        EXPECT_EQ(announcedName(control).toStdString(), name);
}
