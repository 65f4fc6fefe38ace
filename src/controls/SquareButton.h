#pragma once

#include <QColor>
#include <QRect>
#include <QString>

class QPainter;

namespace sonavia {

// Colour of the mark of an unchecked check or radio button.
inline const QColor kMarkGrey{204, 204, 204};

// The face of the check and radio buttons, over whatever lies behind them: a 12-pixel square
// framed in black at the client's top-left (smaller in a smaller control, so that the whole frame
// shows), a mark inside it 3 pixels in from the frame's outer edge (black when checked, mark grey
// when not) and the label, from the top, 5 pixels to the right of the box. Labels are cut to
// their first 256 characters.
void PaintSquareButton(QPainter& painter, const QRect& client, const QString& label, bool checked,
                       const QColor& textColour);

} // namespace sonavia
