#pragma once

// Installs the desktop's icon services for the process and makes sure an icon theme with
// file-type icons is in use. Call once, after the QApplication exists.
void installDesktopServices();
