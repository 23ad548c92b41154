#include "app/screenpicture.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>

QPixmap screenPicture(const QString &fileName)
{
    const qreal scale = qGuiApp ? qGuiApp->devicePixelRatio() : 1;
    if (scale > 1) {
        const QFileInfo bare(fileName);
        QImage sharp;
        if (sharp.load(bare.path() + QLatin1Char('/') + bare.completeBaseName() + QStringLiteral("@2x.") +
                       bare.suffix())) {
            // At 125 % or 150 % the picture is brought to the screen's own pixels once, smoothly,
            // rather than being shrunk pixel by pixel each time it is painted.
            if (!qFuzzyCompare(scale, qreal(2)))
                sharp = sharp.scaled((QSizeF(sharp.size()) * scale / 2).toSize(), Qt::IgnoreAspectRatio,
                                     Qt::SmoothTransformation);
            QPixmap picture = QPixmap::fromImage(sharp);
            picture.setDevicePixelRatio(scale);
            return picture;
        }
    }
    return QPixmap(fileName);
}
