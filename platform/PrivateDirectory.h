#pragma once

#include <QString>

// Directories and files that belong to the user running the program and to nobody else.
// Another local user must neither read what is kept there nor plant anything in its place, so
// whatever is found at a name is checked, never trusted.

// True when the path names a directory itself (not a link to one) owned by the effective user,
// with no permission for group or others.
bool isPrivateDirectory(const QString& path);

// The user's own temporary directory: "tarnwick-<uid>" in the system's temporary directory
// (TMPDIR, else /tmp), made with mode 0700 on first need. Empty when it cannot be made or when
// what stands at that name is not private: it is refused, never repaired or reused.
QString privateTempDir();

// Where per-user state of a run goes: XDG_RUNTIME_DIR when it is set and private, otherwise
// privateTempDir(); empty when neither can be had.
QString privateRuntimeDir();

// Opens the file read-write, creating it with mode 0600 when missing; never truncates, never
// follows a link in the last component and never blocks on a FIFO. -1 when it cannot be opened.
int openOwnerOnlyFile(const QString& path);
