#pragma once

#include <QIcon>
#include <QString>

namespace vrklad {

// The program's descriptive title: application title, main window caption
// and the about box's title line.
QString ProgramTitle();

// The program icon, drawn in code so that the program needs no resource files.
QIcon ProgramIcon();

}  // namespace vrklad
