#ifndef TAVELIN_CHARTLAYERS_H
#define TAVELIN_CHARTLAYERS_H

// Redrawing a part of a chart without a full replot. A full replot of a full-screen chart takes
// tens of milliseconds, nearly all of it in stroking its wide equal-loudness curves; most actions
// change only a small thing lying on a buffered layer of its own (the crosshair, the points of the
// sequence), so only that layer is drawn again, and only the area that changed is composed anew
// from the chart's buffers and reaches the screen. The picture is the one a full replot draws.

#include <QRegion>

class QCPLayer;
class QCustomPlot;

namespace chartlayers {

// Whether something may have been added to the layer since it was last drawn. QCustomPlot then
// marks the layer's buffer as stale, though all of it but the newcomer still stands.
enum Newcomers { NoneAdded, MaybeAdded };

// Draws the buffered `layer` afresh within `area` (chart coordinates) and repaints that area
// at once. `area` must hold everything of the layer that moved, changed or was added, where it
// was and where it is now. False, with nothing done, when the chart's buffers are not drawn at
// their present size or layout yet: a full replot is then due.
bool redraw(QCPLayer *layer, const QRegion &area, Newcomers newcomers = NoneAdded);

// Replots `chart` if it is on screen, and otherwise leaves its drawing to its first show: showing
// it gives it its size, and QCustomPlot replots whenever it is resized. Drawn before, at the size
// the form left it, the picture would be thrown away; at 4K that costs the program's start a frame.
void replotWhenShown(QCustomPlot *chart);

} // namespace chartlayers

#endif
