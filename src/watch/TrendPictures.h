#pragma once

#include <QImage>

// The two 15 x 15 trend pictures of the TREND column, drawn pixel by pixel
// on black: a green triangle pointing up, a red one pointing down, each with
// darker edges.
namespace TrendPictures {

constexpr int kSize = 15;

QImage up();
QImage down();

} // namespace TrendPictures
