// The splash window shown while the program starts: a picture with one line of progress text.
// At most one exists; it goes away on the first tick of its 750 ms timer (which can only come
// once the event loop runs) or at the first key or mouse press.
#pragma once

#include <QPixmap>
#include <QWidget>

class QLineEdit;
class QEvent;

class CSplashWindow : public QWidget {
    Q_OBJECT

public:
    static void EnableSplash(bool enable);
    static void ShowSplash(QWidget* parent);
    static void SetSplashText(const QString& text);
    static void HideSplash();
    // True (the event is accepted and consumed) when a splash is up and the event is a key or
    // mouse press; the splash is then hidden. The key that hid it is never delivered.
    static bool FilterSplashMessage(QEvent* event);
    static CSplashWindow* Current();

    QString Text() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    static bool SwallowDismissingKey(QEvent* event);
    explicit CSplashWindow(QWidget* parent);
    ~CSplashWindow() override;

    QPixmap bitmap_;
    QLineEdit* text_;
    int timerId_ = 0;
};
