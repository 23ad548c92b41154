#include "app/chartlayers.h"

#include <qcustomplot.h>

#include <memory>

namespace {

// QCustomPlot draws a single layer into its buffer only after clearing the whole buffer, and
// then repaints the whole chart: at 4K that alone takes longer than a frame. Its pieces are
// protected; pointers to them, taken through these never-made subclasses, reach them.
struct LayerInternals : QCPLayer
{
    using QCPLayer::draw;
    using QCPLayer::mPaintBuffer;
};

struct ChartInternals : QCustomPlot
{
    using QCustomPlot::hasInvalidatedPaintBuffers;
};

} // namespace

namespace chartlayers {

bool redraw(QCPLayer *layer, const QRegion &area)
{
    QCustomPlot *chart = layer->parentPlot();
    const QSharedPointer<QCPAbstractPaintBuffer> buffer = (layer->*&LayerInternals::mPaintBuffer).toStrongRef();
    if (layer->mode() != QCPLayer::lmBuffered || !buffer || (chart->*&ChartInternals::hasInvalidatedPaintBuffers)())
        return false;

    const std::unique_ptr<QCPPainter> painter(buffer->startPainting());
    if (!painter || !painter->isActive())
        return false;
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect &rect : area)
        painter->fillRect(rect, Qt::transparent);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    // Everything on the layer is drawn, but outside `area` it lies where it was, unchanged.
    (layer->*&LayerInternals::draw)(painter.get());
    painter->end();
    buffer->donePainting();

    chart->repaint(area);
    return true;
}

} // namespace chartlayers
