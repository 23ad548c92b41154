#ifndef TAVELIN_ANSWERINGRUN_H
#define TAVELIN_ANSWERINGRUN_H

#include <QObject>

#include <functional>

class QEvent;
class HeldInput;
class QWidget;

// A run of tones: the slider's tone, or the eight tones of the sequence. While it plays the
// window answers the desktop (see answerWhile), but nothing acts on it before the run has
// ended: the page cannot be left and no second run starts in the middle of one.
//
// Input, from the window system or posted by a program, is held with what it was aimed at and
// given when the run ends (HeldInput); so is a screen reader's press of a button. A call queued
// to a widget cannot be kept, and is dropped. A request to close the window (delivered at once
// on some platforms) is granted when the run ends, so that no tone sounds without the window.
class AnsweringRun : public QObject
{
public:
    explicit AnsweringRun(QWidget *window);
    ~AnsweringRun() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *window;
    HeldInput *held;
    bool closeRequested = false;
};

// Does `work` (a tone) on a thread of its own and returns when it has ended, while the window
// keeps answering the desktop: the window manager's pings that ask whether it is still alive,
// and the repaint of whatever another window uncovered. This thread handles everything but
// timers, which wait for the run's end (the click that follows a screen reader's press is such
// a timer), and the user's input, which AnsweringRun holds.
void answerWhile(const std::function<void()> &work);

#endif
