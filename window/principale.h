#pragma once

class frmMain;

namespace principale {

// Starts the program inside a running QApplication: ends at once, answering null, when
// another instance runs; otherwise shows the window and answers it. The window then drives
// everything through its events, and closing it ends the process.
frmMain* Main();

} // namespace principale
