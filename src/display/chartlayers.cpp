#include "display/chartlayers.h"

#include <qcustomplot.h>

#include <memory>

namespace {

// QCustomPlot draws a single layer into its buffer only after clearing the whole buffer, and
// then repaints the whole chart: at 4K that alone takes longer than a frame. Its pieces are
// protected; pointers to them, taken through these never-made subclasses, reach them.
struct LayerInternals : QCPLayer
{
    using QCPLayer::mPaintBuffer;
};

struct LayerableInternals : QCPLayerable
{
    using QCPLayerable::applyDefaultAntialiasingHint;
    using QCPLayerable::clipRect;
    using QCPLayerable::draw;
};

struct ChartInternals : QCustomPlot
{
    using QCustomPlot::mPaintBuffers;
};

// Every buffer drawn at the chart's present size and layout; the layer's own may be marked stale
// when only a newcomer made it so.
bool buffersCurrent(QCustomPlot *chart, const QCPAbstractPaintBuffer *own, chartlayers::Newcomers newcomers)
{
    for (const QSharedPointer<QCPAbstractPaintBuffer> &buffer : chart->*&ChartInternals::mPaintBuffers) {
        if (!buffer->invalidated())
            continue;
        if (buffer.data() != own || newcomers != chartlayers::MaybeAdded ||
            buffer->size() != chart->viewport().size())
            return false;
    }
    return true;
}

} // namespace

namespace chartlayers {

bool redraw(QCPLayer *layer, const QRegion &area, Newcomers newcomers)
{
    QCustomPlot *chart = layer->parentPlot();
    const QSharedPointer<QCPAbstractPaintBuffer> buffer =
        (layer->*&LayerInternals::mPaintBuffer).toStrongRef();
    if (layer->mode() != QCPLayer::lmBuffered || !buffer || !buffersCurrent(chart, buffer.data(), newcomers))
        return false;

    const std::unique_ptr<QCPPainter> painter(buffer->startPainting());
    if (!painter || !painter->isActive())
        return false;
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect &rect : area)
        painter->fillRect(rect, Qt::transparent);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    // What QCPLayer::draw does, but within `area` only: outside it, what the layer shows lies
    // in the buffer already, and drawing it again would darken its antialiased edges.
    for (QCPLayerable *child : layer->children()) {
        if (!child->realVisibility())
            continue;
        painter->save();
        painter->setClipRect((child->*&LayerableInternals::clipRect)().translated(0, -1));
        painter->setClipRegion(area, Qt::IntersectClip);
        (child->*&LayerableInternals::applyDefaultAntialiasingHint)(painter.get());
        (child->*&LayerableInternals::draw)(painter.get());
        painter->restore();
    }
    painter->end();
    buffer->donePainting();
    buffer->setInvalidated(false);

    chart->repaint(area);
    return true;
}

void replotWhenShown(QCustomPlot *chart)
{
    if (chart->isVisible())
        chart->replot();
    else // including the replot a new QCustomPlot queues for itself, which a hidden chart needs no more
        QCoreApplication::removePostedEvents(chart, QEvent::MetaCall);
}

} // namespace chartlayers
