#ifndef TAVELIN_SCREENPICTURE_H
#define TAVELIN_SCREENPICTURE_H

#include <QPixmap>
#include <QString>

// A picture of the screens, read by its bare file name from the working directory, or from the
// program's own folder when the working directory does not hold it. The form loads every
// picture through this function (its pixmap function in Designer's form settings). On a screen
// scaled above 100 % it reads name@2x, drawn with twice the pixels, so that formulas, emblems and
// portraits stay as sharp as the text around them; it falls back to the bare file when that
// variant is missing or damaged. Nothing else is read.
QPixmap screenPicture(const QString &fileName);

#endif
