#include "display/screenpicture.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>

// The pictures stand in the working directory when the lecture is started from their folder.
// Otherwise they are looked for beside the program, where the Windows program keeps them, so that
// Win+R with its full path, a console in another folder or a shortcut without a working folder
// shows them too.
static QString picturePath(const QString &fileName)
{
    if (QFileInfo::exists(fileName) || !QCoreApplication::instance())
        return fileName;
    const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + fileName;
    return QFileInfo::exists(beside) ? beside : fileName;
}

QPixmap screenPicture(const QString &fileName)
{
    const QString path = picturePath(fileName);
    const qreal scale = qGuiApp ? qGuiApp->devicePixelRatio() : 1;
    if (scale > 1) {
        const QFileInfo bare(path);
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
    return QPixmap(path);
}
