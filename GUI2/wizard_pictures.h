// The wizard's own pictures (drawn for this program, see pictures/draw_pictures.cpp), compiled in
// as resources and named by the resource ids the frame is built with.
#pragma once

#include <QPixmap>

inline constexpr int wizard_watermark_id = 311;  // beside the welcome and finish pages
inline constexpr int wizard_header_id = 312;     // at the right of the other pages' header
inline constexpr int wizard_icon_id = 501;       // the window's icon

// The picture of that id; a null picture for 0 or an id the program does not have.
QPixmap wizard_picture(int id);
