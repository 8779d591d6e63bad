#pragma once

#include <QFont>

// The window's one font: a CJK face in which an ideograph is 12 px wide and an ASCII character
// 6 px, so that the fixed layout (drawn for exactly those widths) lines up.
QFont windowFont();

// Screen twips per pixel, horizontally (15 at 96 dpi).
float twipsPerPixelX(const class QWidget *widget);
