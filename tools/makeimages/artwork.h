#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

// The institution's emblem: a round seal with waves spreading from a source.
QImage institutionEmblem(QSize size);
// The faculty's emblem: a shield carrying a sine wave, with waves going out to either side.
QImage facultyEmblem(QSize size);

// A portrait placeholder: a head-and-shoulders silhouette on a soft gradient. It stands for an
// author without showing anybody's likeness.
struct PortraitColours
{
    QColor light;
    QColor dark;
    QColor figure;
};
QImage portrait(QSize size, const PortraitColours &colours);
