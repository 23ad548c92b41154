#include "mathbox.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>

namespace {

QFont face(const QString &family, bool italic, qreal pixelSize)
{
    QFont font(family);
    font.setItalic(italic);
    // The family also holds condensed faces; the formulas are set in the normal width.
    font.setStretch(QFont::Unstretched);
    font.setPixelSize(qRound(pixelSize));
    font.setHintingPreference(QFont::PreferNoHinting);
    // A missing face must not be quietly replaced by another: the pictures would change.
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::PreferOutline));
    font.setKerning(false);
    return font;
}

// Indices are set at 70 % of the text size, as in printed formulas.
constexpr qreal indexScale = 0.7;

void measure(MathBox &box)
{
    const QRectF bounds = box.ink.boundingRect();
    box.ascent = std::max<qreal>(0, -bounds.top());
    box.descent = std::max<qreal>(0, bounds.bottom());
}

} // namespace

MathStyle::MathStyle(qreal pixelSize)
    : variable(face(QStringLiteral("DejaVu Serif"), true, pixelSize)),
      upright(face(QStringLiteral("DejaVu Serif"), false, pixelSize)),
      indexVariable(face(QStringLiteral("DejaVu Serif"), true, pixelSize * indexScale)),
      indexUpright(face(QStringLiteral("DejaVu Serif"), false, pixelSize * indexScale)), em(pixelSize)
{
    const QRectF equals = glyphs(QStringLiteral("="), upright).ink.boundingRect();
    // As heavy as the stroke of a minus sign so that the bar reads as part of the same type,
    // and laid on whole pixels so that it stays a sharp line rather than a grey band.
    const QRectF minus = glyphs(QStringLiteral("\u2212"), upright).ink.boundingRect();
    ruleThickness = std::max<qreal>(1.0, std::round(minus.height()));
    axis = std::round(-equals.center().y() + ruleThickness / 2) - ruleThickness / 2;
}

MathBox glyphs(const QString &text, const QFont &font)
{
    MathBox box;
    box.ink.addText(0, 0, font, text);
    const QFontMetricsF metrics(font);
    box.advance = metrics.horizontalAdvance(text);
    measure(box);
    box.italicCorrection = std::max<qreal>(0, box.ink.boundingRect().right() - box.advance);
    return box;
}

MathBox variable(const QString &name, const MathStyle &style)
{
    return glyphs(name, style.variable);
}

MathBox number(const QString &digits, const MathStyle &style)
{
    return glyphs(digits, style.upright);
}

MathBox space(qreal width)
{
    MathBox box;
    box.advance = width;
    return box;
}

MathBox row(std::initializer_list<MathBox> pieces)
{
    MathBox box;
    for (const MathBox &piece : pieces) {
        box.ink.addPath(piece.ink.translated(box.advance, 0));
        box.advance += piece.advance;
        box.italicCorrection = piece.italicCorrection;
    }
    measure(box);
    return box;
}

MathBox indexed(const MathBox &base, const MathBox &lower, const MathBox &upper, const MathStyle &style)
{
    MathBox box = base;
    qreal end = base.advance;
    if (!upper.ink.isEmpty()) {
        // The power leans with an italic base, so it starts past the slanted stroke.
        const qreal x = base.advance + base.italicCorrection + 0.05 * style.em;
        const qreal raise = std::max(0.38 * style.em, base.ascent - 0.75 * upper.ascent);
        box.ink.addPath(upper.ink.translated(x, -raise));
        end = std::max(end, x + upper.advance);
    }
    if (!lower.ink.isEmpty()) {
        const qreal x = base.advance + 0.02 * style.em;
        const qreal drop = std::max(0.22 * style.em, base.descent + 0.12 * style.em);
        box.ink.addPath(lower.ink.translated(x, drop));
        end = std::max(end, x + lower.advance);
    }
    box.advance = end + 0.04 * style.em;
    box.italicCorrection = 0;
    measure(box);
    return box;
}

MathBox fraction(const MathBox &numerator, const MathBox &denominator, const MathStyle &style)
{
    const qreal overhang = 0.12 * style.em; // the bar reaches a little past the longer line
    const qreal gap = 0.16 * style.em;      // clear space between the bar and either line
    const qreal width = std::max(numerator.advance, denominator.advance) + 2 * overhang;
    const qreal barTop = -style.axis - style.ruleThickness / 2;
    const qreal barBottom = barTop + style.ruleThickness;

    MathBox box;
    const qreal numeratorBaseline = barTop - gap - numerator.descent;
    box.ink.addPath(numerator.ink.translated((width - numerator.advance) / 2, numeratorBaseline));
    const qreal denominatorBaseline = barBottom + gap + denominator.ascent;
    box.ink.addPath(denominator.ink.translated((width - denominator.advance) / 2, denominatorBaseline));
    QPainterPath bar;
    bar.addRect(QRectF(0, barTop, width, style.ruleThickness));
    box.ink.addPath(bar);
    // A thin space on either side keeps the bar clear of its neighbours.
    box.ink.translate(0.1 * style.em, 0);
    box.advance = width + 0.2 * style.em;
    measure(box);
    return box;
}

namespace {

// One parenthesis as a crescent: thin at the ends, as thick as a text stroke in the middle.
QPainterPath parenthesis(qreal top, qreal bottom, qreal bulge, qreal stroke, bool opening)
{
    const qreal middle = (top + bottom) / 2;
    const qreal tip = stroke * 0.35;
    // The point of a quadratic curve halfway along lies halfway between its ends and control.
    const qreal outer = -2 * bulge;
    const qreal inner = -2 * (bulge - stroke);
    QPainterPath path;
    path.moveTo(0, top);
    path.quadTo(outer, middle, 0, bottom);
    path.lineTo(tip, bottom);
    path.quadTo(inner + tip, middle, tip, top);
    path.closeSubpath();
    if (opening)
        return path.translated(bulge, 0);
    QTransform mirror;
    mirror.scale(-1, 1);
    return mirror.map(path).translated(tip, 0);
}

QPainterPath angleBracket(qreal top, qreal bottom, qreal depth, qreal stroke, bool opening)
{
    QPainterPath line;
    const qreal middle = (top + bottom) / 2;
    if (opening) {
        line.moveTo(depth, top);
        line.lineTo(0, middle);
        line.lineTo(depth, bottom);
    } else {
        line.moveTo(0, top);
        line.lineTo(depth, middle);
        line.lineTo(0, bottom);
    }
    QPainterPathStroker stroker;
    stroker.setWidth(stroke);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    return stroker.createStroke(line).simplified();
}

MathBox fenced(const MathBox &content, const QPainterPath &opening, const QPainterPath &closing, qreal pad)
{
    MathBox box;
    const QRectF left = opening.boundingRect();
    box.ink.addPath(opening.translated(-left.left(), 0));
    qreal x = left.width() + pad;
    box.ink.addPath(content.ink.translated(x, 0));
    x += content.advance + content.italicCorrection + pad;
    const QRectF right = closing.boundingRect();
    box.ink.addPath(closing.translated(x - right.left(), 0));
    box.advance = x + right.width();
    measure(box);
    return box;
}

} // namespace

MathBox parenthesised(const MathBox &content, const MathStyle &style)
{
    // Tall enough to enclose the whole fraction, centred on the axis like the bar.
    const qreal half = std::max(content.ascent - style.axis, content.descent + style.axis) + 0.1 * style.em;
    const qreal top = -style.axis - half;
    const qreal bottom = -style.axis + half;
    const qreal bulge = 0.1 * style.em + 0.06 * (bottom - top);
    const qreal stroke = 0.085 * style.em;
    return fenced(content, parenthesis(top, bottom, bulge, stroke, true),
                  parenthesis(top, bottom, bulge, stroke, false), 0.1 * style.em);
}

MathBox timeAveraged(const MathBox &content, const MathStyle &style)
{
    const qreal top = -std::max(content.ascent, 0.72 * style.em) - 0.04 * style.em;
    const qreal bottom = std::max(content.descent, 0.2 * style.em) + 0.04 * style.em;
    const qreal depth = 0.22 * (bottom - top);
    const qreal stroke = 0.06 * style.em;
    return fenced(content, angleBracket(top, bottom, depth, stroke, true),
                  angleBracket(top, bottom, depth, stroke, false), 0.08 * style.em);
}

MathBox relation(const QString &sign, const MathStyle &style)
{
    const qreal thick = 0.28 * style.em;
    return row({space(thick), glyphs(sign, style.upright), space(thick)});
}

MathBox product(const MathStyle &style)
{
    const qreal medium = 0.12 * style.em;
    return row({space(medium), glyphs(QStringLiteral("\u00B7"), style.upright), space(medium)});
}

QImage renderFormula(const MathBox &formula, QSize size, Qt::Alignment alignment, int margin,
                     const QColor &background, const QColor &ink, int scale)
{
    QImage image(size * scale, QImage::Format_RGB32);
    image.fill(background);
    const QRectF bounds = formula.ink.boundingRect();
    const QRectF area = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(margin, margin, -margin, -margin);

    qreal x = area.left() + (area.width() - bounds.width()) / 2;
    if (alignment & Qt::AlignLeft)
        x = area.left();
    else if (alignment & Qt::AlignRight)
        x = area.right() - bounds.width();
    const qreal y = area.top() + (area.height() - bounds.height()) / 2;

    // Whole-pixel offsets keep the fraction bars and the glyph stems as sharp as the outlines allow.
    const QPointF offset(std::round(x - bounds.left()), std::round(y - bounds.top()));

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawPath(formula.ink.translated(offset));
    return image;
}
