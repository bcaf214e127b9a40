#pragma once

#include <QImage>

// The program icon, 32 x 32 pixels in 16 colours: a small quote chart.
namespace ProgramIcon {

QImage image();

} // namespace ProgramIcon
