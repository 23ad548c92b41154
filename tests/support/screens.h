#ifndef TAVELIN_TESTS_SCREENS_H
#define TAVELIN_TESTS_SCREENS_H

// Helpers that look at the window the way a user does: buttons by their caption among the
// widgets on screen, labels by the text they render.

#include <QAbstractButton>
#include <QLabel>
#include <QStackedWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

namespace screens {

// The one button on screen that shows this caption; null when there is none or several.
inline QAbstractButton *visibleButton(QWidget *window, const QString &caption)
{
    QAbstractButton *found = nullptr;
    const auto buttons = window->findChildren<QAbstractButton *>();
    for (QAbstractButton *button : buttons) {
        if (button->isVisible() && button->text() == caption) {
            if (found)
                return nullptr;
            found = button;
        }
    }
    return found;
}

inline bool clickVisible(QWidget *window, const QString &caption)
{
    QAbstractButton *button = visibleButton(window, caption);
    if (!button)
        return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

// What a label shows, as text: rich text rendered to paragraphs joined by newlines, with
// no-break spaces kept as they are.
inline QString shownText(const QLabel *label)
{
    if (!Qt::mightBeRichText(label->text()))
        return label->text();
    QTextDocument document;
    document.setHtml(label->text());
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

// The character format of the first run of a rich-text label that contains the fragment.
inline bool formatOf(const QLabel *label, const QString &fragment, QTextCharFormat *format)
{
    QTextDocument document;
    document.setHtml(label->text());
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().text().contains(fragment)) {
                *format = it.fragment().charFormat();
                return true;
            }
        }
    }
    return false;
}

// The window as the hall sees it: full-HD size, on screen.
inline bool showFullHd(QWidget *window)
{
    window->resize(1920, 1080);
    window->show();
    return QTest::qWaitForWindowExposed(window);
}

// Two slots of the window have no button on the form; Qt says so each time a window is built.
inline void expectUnboundSlotWarnings()
{
    for (const char *button : {"18", "14"})
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(QStringLiteral("QMetaObject::connectSlotsByName: No "
                                                       "matching signal for on_pushButton_%1_clicked()")
                                            .arg(button)));
}

inline QString currentPage(QWidget *window, const char *stack)
{
    auto *stacked = window->findChild<QStackedWidget *>(QLatin1String(stack));
    return stacked && stacked->currentWidget() ? stacked->currentWidget()->objectName() : QString();
}

} // namespace screens

#endif
