#pragma once

#include <QImage>
#include <QRegion>

namespace sonavia {

// The shape of a skinned picture: every pixel whose colour differs from the key colour, the
// colour of pixel (0, 0). Key-coloured pixels inside the artwork are holes; a picture made only
// of the key colour, or a null picture, gives the empty region. Built from runs of equal pixels
// per row, with rows of identical runs merged into one band.
QRegion ShapeFromKeyColour(const QImage& image);

} // namespace sonavia
