#include "display/heldinput.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSet>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <optional>

struct HeldInput::Input
{
    enum Kind {
        Press,           // a mouse button pressed: what it was aimed at takes the rest of the click
        Follow,          // a mouse button released, or the mouse dragged with a button held
        Free,            // the mouse moved with no button held, or the wheel turned
        Key,             // a key pressed or released
        AccessiblePress, // a screen reader's press of a button
    };

    Kind kind = Free;
    QPointer<QObject> receiver;
    QPointer<QWidget> aimedAt;
    std::unique_ptr<QEvent> event;
    // Mouse input the window itself routes to one of its widgets: where in the window it was
    // made, which must still lead to the same widget.
    bool routedByWindow = false;
    QPoint position;
};

namespace {

const QEvent::Type giveHeldInput = QEvent::Type(QEvent::registerEventType());

QEvent *copyOfInput(const QEvent *event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event->clone();
#else
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return new QKeyEvent(*static_cast<const QKeyEvent *>(event));
    case QEvent::Wheel:
        return new QWheelEvent(*static_cast<const QWheelEvent *>(event));
    default:
        return new QMouseEvent(*static_cast<const QMouseEvent *>(event));
    }
#endif
}

QPoint positionIn(const QEvent *event)
{
    if (event->type() == QEvent::Wheel)
        return static_cast<const QWheelEvent *>(event)->position().toPoint();
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return static_cast<const QMouseEvent *>(event)->position().toPoint();
#else
    return static_cast<const QMouseEvent *>(event)->pos();
#endif
}

// The widget that a click at this place in the window goes to.
QWidget *widgetAt(QWidget *window, QPoint position)
{
    QWidget *child = window->childAt(position);
    return child ? child : window;
}

bool takesInput(const QWidget *widget)
{
    return widget && widget->isVisible() && widget->isEnabled();
}

} // namespace

HeldInput::HeldInput(QWidget *window) : QObject(window), window(window) {}

HeldInput::~HeldInput()
{
    for (const QPointer<QAbstractButton> &button : pressedByScreenReader) {
        if (button)
            button->removeEventFilter(this);
    }
}

void HeldInput::hold(QObject *receiver, QEvent *event)
{
    Input input;
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        // Refused, a touch or a pen becomes mouse input, which is held with the rest; an
        // interactive whiteboard in a hall is such a touch screen.
        event->ignore();
        return;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        input.kind = Input::Press;
        break;
    case QEvent::MouseButtonRelease:
        input.kind = Input::Follow;
        break;
    case QEvent::MouseMove:
        input.kind = static_cast<const QMouseEvent *>(event)->buttons() ? Input::Follow : Input::Free;
        break;
    case QEvent::Wheel:
        input.kind = Input::Free;
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        input.kind = Input::Key;
        break;
    default:
        // The pointer passing over widgets, a key checked against shortcuts, the menu key: none
        // of them asks anything of the screens once the tones have ended.
        return;
    }

    if (receiver->isWidgetType()) {
        input.aimedAt = static_cast<QWidget *>(receiver);
    } else if (receiver == window->windowHandle()) {
        if (input.kind == Input::Key) {
            input.aimedAt = window->focusWidget() ? window->focusWidget() : window;
            receiver = input.aimedAt;
        } else {
            input.routedByWindow = true;
            input.position = positionIn(event);
            input.aimedAt = widgetAt(window, input.position);
        }
    } else {
        return;
    }
    input.receiver = receiver;
    input.event.reset(copyOfInput(event));
    held.push_back(std::move(input));
}

void HeldInput::holdAccessiblePress(QAbstractButton *button)
{
    Input input;
    input.kind = Input::AccessiblePress;
    input.receiver = button;
    input.aimedAt = button;
    held.push_back(std::move(input));
    if (std::find(pressedByScreenReader.begin(), pressedByScreenReader.end(), button) ==
        pressedByScreenReader.end()) {
        pressedByScreenReader.emplace_back(button);
        button->installEventFilter(this);
    }
}

void HeldInput::release()
{
    QCoreApplication::postEvent(this, new QEvent(giveHeldInput));
}

bool HeldInput::event(QEvent *event)
{
    if (event->type() != giveHeldInput)
        return QObject::event(event);
    giveAll();
    return true;
}

void HeldInput::giveAll()
{
    // A held input may start tones of its own and hold this loop until they end; meanwhile the
    // window may go, and this with it.
    const QPointer<HeldInput> alive(this);
    std::optional<bool> pressGiven;
    QPointer<QWidget> pressedOn;
    QSet<int> keysDropped;
    for (size_t i = 0; i < held.size(); ++i) {
        Input &input = held[i];
        bool give = takesInput(input.aimedAt) &&
                    (!input.routedByWindow || widgetAt(window, input.position) == input.aimedAt);
        switch (input.kind) {
        case Input::AccessiblePress:
            if (give)
                static_cast<QAbstractButton *>(input.aimedAt.data())->click();
            break;
        case Input::Press:
            pressGiven = give;
            pressedOn = input.aimedAt;
            break;
        case Input::Follow:
            // The rest of a click goes where its press went, as Qt's own grab of the mouse
            // sends it, or nowhere.
            if (pressGiven)
                give = *pressGiven && takesInput(pressedOn);
            break;
        case Input::Key: {
            const auto *key = static_cast<const QKeyEvent *>(input.event.get());
            if (key->type() == QEvent::KeyPress) {
                if (give)
                    keysDropped.remove(key->key());
                else
                    keysDropped.insert(key->key());
            } else if (keysDropped.contains(key->key())) {
                give = false;
            }
            break;
        }
        case Input::Free:
            break;
        }
        if (give && input.kind != Input::AccessiblePress && input.receiver)
            QCoreApplication::sendEvent(input.receiver, input.event.get());
        if (!alive)
            return;
    }
    held.clear();
    given = true;
    if (pressedByScreenReader.empty())
        deleteLater();
}

// The click a button makes by itself a moment after a screen reader's press: the button does
// it silently, since the held press clicks in its turn.
bool HeldInput::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Timer)
        return false;
    auto *button = static_cast<QAbstractButton *>(watched);
    forget(button);
    {
        const QSignalBlocker silent(button);
        QCoreApplication::sendEvent(button, event);
    }
    if (given && pressedByScreenReader.empty())
        deleteLater();
    return true;
}

void HeldInput::forget(QAbstractButton *button)
{
    button->removeEventFilter(this);
    pressedByScreenReader.erase(std::remove_if(pressedByScreenReader.begin(), pressedByScreenReader.end(),
                                               [button](const QPointer<QAbstractButton> &pressed) {
                                                   return !pressed || pressed == button;
                                               }),
                                pressedByScreenReader.end());
}
