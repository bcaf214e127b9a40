#pragma once

#include <QSize>
#include <optional>

// Fits the quote grid to its window: height = window height - grid top - 400
// twips, width = window width - 100 twips, from the window's outer size, in
// single precision. A result below zero leaves that side, and every side
// after it, at its last size.
namespace GridFit {

constexpr float kTwipsPerPixel = 15.0f;

struct Fit
{
    std::optional<int> height; // pixels
    std::optional<int> width;
};

Fit fit(QSize outerWindowPixels, int gridTopPixels);

} // namespace GridFit
