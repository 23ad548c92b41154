#ifndef TAVELIN_DESKTOPSCALE_H
#define TAVELIN_DESKTOPSCALE_H

#include <QtGlobal>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QGuiApplication>
#endif

// Makes the whole window follow the desktop's scale (Xft.dpi on X11, or the platform's own),
// as Qt 6 does by itself: fonts, fixed-size fields, chart pens and pictures grow together.
// Left alone, Qt 5 enlarges only the fonts, and the numbers in the read-out fields are cut
// off on a 4K screen at 150 % or 200 %. Pass-through rounding keeps 125 % and 150 % as they
// are instead of rounding them to 100 % or 200 %. Whoever sets Qt's own scaling variables
// has chosen a scale already, and gets exactly that. Call it before the application object
// is made; it does nothing on Qt 6.
inline void followDesktopScale()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    for (const char *chosen : {"QT_SCALE_FACTOR", "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_ENABLE_HIGHDPI_SCALING",
                               "QT_SCREEN_SCALE_FACTORS", "QT_SCALE_FACTOR_ROUNDING_POLICY",
                               "QT_DEVICE_PIXEL_RATIO", "QT_USE_PHYSICAL_DPI"}) {
        if (qEnvironmentVariableIsSet(chosen))
            return;
    }
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
#endif
}

#endif
