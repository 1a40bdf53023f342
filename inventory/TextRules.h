#pragma once

#include <QString>
#include <QStringView>

// Text rules shared by the inventory, the list procedures and the window.

// Removes leading and trailing space characters (U+0020 only; tabs and other white space stay).
QStringView trimBlanks(QStringView text);

// True when the text holds nothing but space characters.
bool isBlank(QStringView text);

// The part of the last path component after its last dot, without the dot; empty when that
// component has no dot. Components are separated by '\' or '/'.
QString extensionOf(QStringView path);
// The same part as a view into the path, for callers that copy it only when they must.
QStringView extensionView(QStringView path);

// Lower-cases the text to exactly what QString::toLower answers, in place unless the text is
// shared. Plain ASCII, what nearly every path and user name is, needs no case tables.
void lowerInPlace(QString& text);
