#pragma once

#include <QImage>
#include <QRegion>

namespace sonavia {

// The shape of a skinned picture, in the picture's own pixels: every pixel whose colour differs
// from the key colour, the colour of pixel (0, 0). Key-coloured pixels inside the artwork are
// holes; a picture made only of the key colour, or a null picture, gives the empty region. Built
// from runs of equal pixels per row, with rows of identical runs merged into one band.
QRegion ShapeFromKeyColour(const QImage& image);

// The same shape in window pixels, for a picture of a device pixel ratio other than 1 (a picture
// drawn finer than the window's pixels): a window pixel is inside when any of the device pixels
// it covers is, so that the shape in window pixels holds every device pixel of the finer one. At
// ratio 1 it is ShapeFromKeyColour.
QRegion WindowPixelShape(const QImage& image);

// The picture with its key-coloured pixels (those of the colour of pixel (0, 0)) see-through and
// the rest opaque, for a window whose outside is see-through by its transparency: exact at every
// device pixel, where a clip in window pixels is not. Keeps the device pixel ratio.
QImage WithKeyColourClear(const QImage& image);

} // namespace sonavia
