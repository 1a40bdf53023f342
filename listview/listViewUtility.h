#pragma once

#include <QString>

#include <cstdint>

class ColumnHeader;
class ImageList;
class ListItem;
class ListView;
class PictureBox;

// Procedures on a report list, its image list and a drawing surface. They keep no state.

// Gives the row the icon of the file's type, drawing the type's icon on the list's surface and
// registering it on first need, and makes images the list's image lists if they are not yet.
// True when the row received an icon; never throws.
bool setItemIcon(ListView& list, ListItem& item, ImageList& images, const QString& fileName, bool useGhostFile);

// Draws the shell icon of the file at path on the surface and appends the captured image to
// the image list under the path's trimmed, lower-cased extension. True when an image was
// appended; never throws.
bool addTypeIcon(PictureBox& surface, ImageList& images, const QString& path);

// The 1-based index of the first image whose trimmed, lower-cased key equals the trimmed,
// lower-cased key given; 0 when none.
std::int32_t findImageIndex(const ImageList& images, const QString& key);

// The extension of the last path component, without the dot; empty when there is none.
QString getExtension(const QString& fileName);

// The path of the (possibly new) empty file "ghost.<extension>" in the temporary directory;
// empty when it could not be made or the extension is no plain file-name part.
QString createGhostFile(const QString& extension);

// The temporary directory without a trailing separator.
QString getTempDir();

// Sorts by the clicked column, in the order opposite to the list's current one.
void sortByColumn(ListView& list, const ColumnHeader& header);

// Fits the given column, or every column when header is null, to its widest entry; a list
// without rows keeps its widths.
void autoSizeColumns(ListView& list, const ColumnHeader* header);

// The number of checked rows; 0 on any fault (a row count past 32,767 among them).
std::int32_t countChecked(ListView& list);

// Checks or unchecks every row; a fault ends the loop quietly.
void setAllChecked(ListView& list, bool state);
