#pragma once

#include "surface/canvas.h"
#include "surface/pacer.h"
#include "surface/ui.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QLineEdit;
class QRadioButton;

namespace brelon {

class ScrollBar;

/// \brief The main window: its client area is the drawing surface, backed by
/// a persistent image so the picture survives covering, minimising and
/// every other repaint. The child widgets lie above the drawing.
class Window : public QWidget {
    Q_OBJECT
public:
    explicit Window(QSize clientSize, QWidget* parent = nullptr);
    ~Window() override;

    Canvas& canvas() { return *m_canvas; }
    /// \brief Shows the window as it is now, at once, during a long handler:
    /// it also answers the window system (pings, exposes, resizes, screen
    /// changes), while what the user does waits until the handler has ended.
    void presentNow();
    /// \brief Schedules what was drawn since the last call for the next repaint.
    void presentLater();

    /// \brief Whether presentNow() is answering the window system now.
    bool answeringWindowSystem() const { return m_answering; }
    /// \brief While a handler runs, a close request and \a held actions
    /// wait; when it has ended they are carried out in the order they came.
    void setHandlerRunning(bool running);
    void hold(std::function<void()> action) { m_held.push_back(std::move(action)); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void followDevicePixelRatio();

    std::unique_ptr<Canvas> m_canvas;
    bool m_answering = false;
    bool m_handlerRunning = false;
    std::vector<std::function<void()>> m_held;
};

/// \brief The handlers' view of the window (the widget and drawing operations).
class WindowUi : public Ui {
public:
    /// \brief Binds the widgets of \a window by their object names.
    explicit WindowUi(Window& window, const QLocale& locale = QLocale());

    void setDrawWidth(int pixels) override;
    void setFillStyle(int style) override;
    void setFillColor(Colour colour) override;
    void setScaleMode(int mode) override;
    void countDown(double decrements) override;

    QString text(Field field) const override;
    void setText(Field field, const QString& text) override;
    int value(Bar bar) const override;
    void setValue(Bar bar, int value) override;
    void setMax(Bar bar, int max) override;
    void setVisible(Bar bar, bool visible) override;
    void select(Option option) override;
    void unload() override;
    QLocale locale() const override { return m_locale; }

    /// \brief Called when a top-level handler starts and ends: a drawing run
    /// paces itself from the start, and what it drew is shown at the end.
    void beginHandler();
    void endHandler();

    Window& window() { return m_window; }
    Pacer& pacer() { return m_pacer; }
    QLineEdit* field(Field field) const { return m_fields[size_t(field)]; }
    ScrollBar* bar(Bar bar) const { return m_bars[size_t(bar)]; }
    QRadioButton* option(Option option) const { return m_options[size_t(option)]; }

protected:
    void drawLine(float x1, float y1, float x2, float y2, Colour colour, bool colourGiven) override;
    void drawCircle(float x, float y, float radius, Colour colour, bool colourGiven) override;

private:
    Window& m_window;
    QLocale m_locale;
    Pacer m_pacer;
    std::array<QLineEdit*, 4> m_fields {};
    std::array<ScrollBar*, 3> m_bars {};
    std::array<QRadioButton*, 4> m_options {};
    int m_depth = 0;
};

/// Object names of the widgets the handlers use, Czech letters as they are.
QString objectName(Field field);
QString objectName(Bar bar);
QString objectName(Option option);

} // namespace brelon
