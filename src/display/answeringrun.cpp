#include "display/answeringrun.h"

#include "display/heldinput.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QInputEvent>
#include <QWidget>
#include <QWindow>

#include <atomic>
#include <thread>

AnsweringRun::AnsweringRun(QWidget *window) : window(window), held(new HeldInput(window))
{
    QCoreApplication::instance()->installEventFilter(this);
    // Input being held, a button can go down during the run only through a screen
    // reader's press.
    const auto buttons = window->findChildren<QAbstractButton *>();
    for (QAbstractButton *button : buttons)
        connect(button, &QAbstractButton::pressed, this,
                [this, button] { held->holdAccessiblePress(button); });
}

AnsweringRun::~AnsweringRun()
{
    QCoreApplication::instance()->removeEventFilter(this);
    held->release();
    if (closeRequested)
        window->close();
}

bool AnsweringRun::eventFilter(QObject *watched, QEvent *event)
{
    if (!watched->isWidgetType() && !watched->isWindowType())
        return false;
    switch (event->type()) {
    case QEvent::MetaCall:
        return true;
    case QEvent::Close:
        if (watched != window && watched != window->windowHandle())
            return false;
        closeRequested = true;
        event->ignore();
        return true;
    default:
        if (!dynamic_cast<QInputEvent *>(event))
            return false;
        held->hold(watched, event);
        return true;
    }
}

void answerWhile(const std::function<void()> &work)
{
    std::atomic<bool> ended{false};
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    std::thread worker([&] {
        work();
        ended = true;
        dispatcher->wakeUp();
    });
    while (!ended)
        QCoreApplication::processEvents(QEventLoop::X11ExcludeTimers | QEventLoop::WaitForMoreEvents);
    worker.join();
}
