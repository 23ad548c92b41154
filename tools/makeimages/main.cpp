// Draws the pictures that the demonstration's screens show, into the folder given as the only
// argument: the four formulas of the definitions screens, the two emblems of the title and authors
// screens, and the two author portraits, each also as name@2x with twice the pixels. The same
// fonts give the same files byte for byte.
//   makeimages <output-dir>
//   makeimages --icon <file.png>   the program's icon for desktop menus, drawn from the seal

#include "artwork.h"
#include "mathbox.h"

#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QGuiApplication>
#include <QTextStream>

#include <cmath>

namespace {

// The screens' light blue: the formulas sit on it as if printed on the page itself.
const QColor screenBackground(224, 235, 255);
const QColor formulaInk(0, 0, 0);

// The text beside the formulas is 14 pt, about 19 px on a 96 dpi screen; serif italic looks
// smaller than the sans-serif text at the same size, so the formulas are set a little larger.
constexpr qreal formulaPixelSize = 21;
constexpr int formulaMargin = 3;

MathBox lowerIndex(const MathBox &base, const MathBox &index, const MathStyle &style)
{
    return indexed(base, index, MathBox(), style);
}

// I = P / S: intensity is power per unit area.
MathBox intensityFormula(const MathStyle &s)
{
    return row({variable("I", s), relation("=", s), fraction(variable("P", s), variable("S", s), s)});
}

// L = 10 lg (I / I0): the sound level against the threshold of hearing.
MathBox soundLevelFormula(const MathStyle &s)
{
    const MathBox threshold = lowerIndex(variable("I", s), glyphs("0", s.indexUpright), s);
    return row({variable("L", s), relation("=", s), number("10", s), product(s), glyphs("lg", s.upright),
                space(0.06 * s.em), parenthesised(fraction(variable("I", s), threshold, s), s)});
}

// I = <p^2>t / Z: intensity from the time-averaged squared pressure and the air's impedance.
MathBox pressureFormula(const MathStyle &s)
{
    const MathBox squared = indexed(variable("p", s), MathBox(), glyphs("2", s.indexUpright), s);
    const MathBox averaged = lowerIndex(timeAveraged(squared, s), glyphs("t", s.indexVariable), s);
    return row({variable("I", s), relation("=", s), fraction(averaged, variable("Z", s), s)});
}

// Lh = 20 lg (pf / p0): loudness level from the pressure of the equally loud 1 kHz tone.
MathBox loudnessLevelFormula(const MathStyle &s)
{
    const MathBox level = lowerIndex(variable("L", s), glyphs("h", s.indexVariable), s);
    const MathBox equalTone = lowerIndex(variable("p", s), glyphs("f", s.indexVariable), s);
    const MathBox threshold = lowerIndex(variable("p", s), glyphs("0", s.indexUpright), s);
    return row({level, relation("=", s), number("20", s), product(s), glyphs("lg", s.upright),
                space(0.06 * s.em), parenthesised(fraction(equalTone, threshold, s), s)});
}

// A picture as small as the formula allows, for labels that show it at its natural size.
QSize fittedSize(const MathBox &formula, int width = 0)
{
    const QRectF bounds = formula.ink.boundingRect();
    const int naturalWidth = int(std::ceil(bounds.width())) + 2 * formulaMargin + 1;
    return QSize(width > 0 ? width : naturalWidth, int(std::ceil(bounds.height())) + 2 * formulaMargin + 1);
}

bool fontIsAvailable(const QFont &font, QTextStream &err)
{
    const QFontInfo info(font);
    if (info.family() == font.family() && info.italic() == font.italic())
        return true;
    err << "makeimages: font " << font.family() << (font.italic() ? " Italic" : "")
        << " is not installed (got " << info.family() << " " << info.styleName()
        << "); install fonts-dejavu-core\n";
    return false;
}

bool save(QImage image, const QDir &folder, const QString &name, QTextStream &out, QTextStream &err,
          int quality = -1)
{
    // 96 dpi (192 dpi for a picture drawn at twice the pixels), written into the file rather than
    // taken from whatever screen the tool runs on.
    const int dotsPerMetre = qRound(3780 * image.devicePixelRatio());
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    const QString path = folder.filePath(name);
    if (!image.save(path, nullptr, quality)) {
        err << "makeimages: cannot write " << path << "\n";
        return false;
    }
    out << path << "  " << image.width() << "x" << image.height() << "\n";
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Nothing is shown: the tool needs the font database only, on any machine, display or not.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList arguments = app.arguments();
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("--icon")) {
        // The menu icon is the seal with its spherical wave: the same picture that greets the hall
        // on the title screen. Desktop themes scale the 256 px size down for smaller menus.
        const QFileInfo icon(arguments.at(2));
        const bool ok =
            save(institutionEmblem(QSize(256, 256)), icon.absoluteDir(), icon.fileName(), out, err);
        return ok ? 0 : 1;
    }
    if (arguments.size() != 2) {
        err << "usage: makeimages <output-dir>\n"
               "       makeimages --icon <file.png>\n";
        return 2;
    }
    QDir folder(arguments.at(1));
    if (!folder.mkpath(QStringLiteral("."))) {
        err << "makeimages: cannot create " << folder.path() << "\n";
        return 1;
    }

    const MathStyle style(formulaPixelSize);
    if (!fontIsAvailable(style.variable, err) || !fontIsAvailable(style.upright, err))
        return 1;

    // Formulas that lead into the text beside them end at the picture's right edge, so that the
    // sentence continues right after them; the loudness level stands alone, centred.
    const MathBox intensity = intensityFormula(style);
    const MathBox soundLevel = soundLevelFormula(style);
    const MathBox pressure = pressureFormula(style);
    const MathBox loudnessLevel = loudnessLevelFormula(style);
    // Each picture twice: at the size its label shows it on a 100 % screen, and with twice the
    // pixels as name@2x for screens scaled above 100 %, where the program takes that one instead.
    bool ok = true;
    for (int scale : {1, 2}) {
        const auto drawn = [scale](QImage image) {
            image.setDevicePixelRatio(scale);
            return image;
        };
        const auto named = [scale](const char *name) {
            const QFileInfo file(QString::fromLatin1(name));
            return scale == 1 ? file.fileName()
                              : file.completeBaseName() + QStringLiteral("@%1x.").arg(scale) + file.suffix();
        };
        const auto formula = [&](const MathBox &box, QSize size, Qt::Alignment alignment) {
            return drawn(
                renderFormula(box, size, alignment, formulaMargin, screenBackground, formulaInk, scale));
        };
        ok &= save(formula(intensity, QSize(124, 69), Qt::AlignRight), folder, named("I.png"), out, err);
        ok &= save(formula(soundLevel, QSize(231, 77), Qt::AlignRight), folder, named("L.png"), out, err);
        ok &= save(formula(pressure, fittedSize(pressure, 174), Qt::AlignRight), folder, named("P.png"), out,
                   err);
        ok &= save(formula(loudnessLevel, fittedSize(loudnessLevel), Qt::AlignCenter), folder,
                   named("Lh.png"), out, err);

        // Drawn at twice the size of their labels (@2x: four times), so that they stay sharp when
        // scaled down.
        ok &= save(drawn(institutionEmblem(QSize(280, 280) * scale)), folder, named("kelmar.png"), out, err);
        ok &= save(drawn(facultyEmblem(QSize(360, 280) * scale)), folder, named("dorvin.png"), out, err);

        const int jpegQuality = 90;
        ok &= save(drawn(portrait(QSize(400, 400) * scale,
                                  {QColor(252, 230, 212), QColor(205, 140, 128), QColor(104, 60, 82)})),
                   folder, named("trisa.jpg"), out, err, jpegQuality);
        ok &= save(drawn(portrait(QSize(400, 400) * scale,
                                  {QColor(220, 242, 238), QColor(104, 160, 178), QColor(36, 66, 94)})),
                   folder, named("belkor.jpg"), out, err, jpegQuality);
    }
    return ok ? 0 : 1;
}
