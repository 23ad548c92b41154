#ifndef TAVELIN_HELDINPUT_H
#define TAVELIN_HELDINPUT_H

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QAbstractButton;
class QEvent;
class QWidget;

// Input made while tones sound, held until they have ended. Each click or key is then given
// to the widget it was aimed at when it was made, in the order made, and only if that widget
// is still on screen and enabled once the input before it has acted. Otherwise it is dropped:
// a click on "Меню" made during the tones must not land, after the menu has come, on "Выход"
// where "Меню" stood.
class HeldInput : public QObject
{
public:
    // Belongs to the window it holds input for, and goes when it has given it.
    explicit HeldInput(QWidget *window);
    ~HeldInput() override;

    // Keeps input that `receiver` was about to be given, with what it was aimed at now.
    // Touch and tablet input is refused, so that Qt makes of it the mouse input that is held.
    void hold(QObject *receiver, QEvent *event);
    // A screen reader pressed the button. Its click, which the button makes later on its own,
    // is kept back and made in its turn among the held input.
    void holdAccessiblePress(QAbstractButton *button);
    // Gives the held input as soon as the event loop runs again.
    void release();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Input;

    void giveAll();
    void forget(QAbstractButton *button);

    QWidget *window;
    std::vector<Input> held;
    // Buttons whose own click, after a screen reader's press, is still to come and be kept back.
    std::vector<QPointer<QAbstractButton>> pressedByScreenReader;
    bool given = false;
};

#endif
