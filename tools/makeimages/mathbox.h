#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QSize>
#include <QString>

#include <initializer_list>

// A piece of typeset mathematics: its ink as one outline, measured from the baseline at the
// pen's starting point. Glyphs are turned into outlines rather than drawn as text, so the
// pictures depend only on the font files and not on hinting or glyph caches of the machine.
struct MathBox
{
    QPainterPath ink;
    qreal advance = 0; // where the next piece on the same baseline starts
    qreal ascent = 0;  // extent of the ink above the baseline
    qreal descent = 0; // extent of the ink below the baseline
    qreal italicCorrection = 0;
};

// Type sizes and rules of one formula. Variables are serif italic, numbers and function
// names serif upright, indices a smaller size of the same faces.
struct MathStyle
{
    explicit MathStyle(qreal pixelSize);

    QFont variable;
    QFont upright;
    QFont indexVariable;
    QFont indexUpright;
    qreal em;
    qreal axis;          // height of the fraction bar's middle: the middle of '='
    qreal ruleThickness; // fraction bar
};

MathBox glyphs(const QString &text, const QFont &font);
MathBox variable(const QString &name, const MathStyle &style);
MathBox number(const QString &digits, const MathStyle &style);
MathBox space(qreal width);
MathBox row(std::initializer_list<MathBox> pieces);

// Base with a lower index and/or a power; either may be an empty box.
MathBox indexed(const MathBox &base, const MathBox &lower, const MathBox &upper, const MathStyle &style);
MathBox fraction(const MathBox &numerator, const MathBox &denominator, const MathStyle &style);
MathBox parenthesised(const MathBox &content, const MathStyle &style);
MathBox timeAveraged(const MathBox &content, const MathStyle &style); // <content>, angle brackets

// Relation sign with the spacing of a relation on both sides.
MathBox relation(const QString &sign, const MathStyle &style);
// Multiplication dot with the spacing of a binary operator.
MathBox product(const MathStyle &style);

// An opaque picture of the formula, placed within the margins by the alignment. Size and margin
// are in the picture's own pixels at scale 1; a scale of 2 draws the same picture with twice as
// many pixels each way, for screens at 200 %.
QImage renderFormula(const MathBox &formula, QSize size, Qt::Alignment alignment, int margin,
                     const QColor &background, const QColor &ink, int scale = 1);
