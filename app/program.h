// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "surface/core/errors.h"
#include "surface/window/window.h"
#include "surface/window/windowui.h"

#include <QString>

#include <memory>

namespace brelon {

/// \brief Where an error that no handler handles goes: it is reported and the
/// program ends with a non-zero status. The drawing stays on screen until then.
class ErrorSink {
public:
    virtual ~ErrorSink() = default;
    /// \brief Reports \a message and ends the program; only a test's sink returns.
    virtual void fail(const QString& message) = 0;
};

/// \brief Shows the error in a message box, then ends the process with status 1.
class MessageBoxSink : public ErrorSink {
public:
    explicit MessageBoxSink(QWidget* parent = nullptr)
        : m_parent(parent)
    {
    }
    void fail(const QString& message) override;

private:
    QWidget* m_parent;
};

/// \brief The running program: the main window, its handlers connected to
/// the widgets' events, and the error path around every handler.
class Program {
public:
    /// \a sink defaults to the message box; \a locale to the user's.
    explicit Program(ErrorSink* sink = nullptr, const QLocale& locale = QLocale());
    ~Program();

    /// \brief Runs the load handler on the hidden window, then shows it.
    void start();

    Window& window() { return *m_window; }
    WindowUi& ui() { return *m_ui; }

    /// \brief Runs \a handler as a top-level handler: errors go to the sink.
    template <typename Handler> void run(Handler handler);

private:
    void connectHandlers();

    std::unique_ptr<Window> m_window;
    std::unique_ptr<WindowUi> m_ui;
    std::unique_ptr<MessageBoxSink> m_defaultSink;
    ErrorSink* m_sink;
};

template <typename Handler> inline void Program::run(Handler handler)
{
    // A widget event that reaches a handler while a run answers the window
    // system (a timer's click, say) runs the handler after the run. The
    // user's input and a screen reader's actions wait in the window's queue
    // before they reach any widget.
    if (m_window->answeringWindowSystem()) {
        m_window->input().hold([this, handler] { run(handler); });
        return;
    }
    m_ui->beginHandler();
    try {
        handler(*m_ui);
    } catch (const Error& error) {
        m_sink->fail(error.message());
    } catch (const std::exception& error) {
        m_sink->fail(QString::fromLocal8Bit(error.what()));
    }
    m_ui->endHandler();
}

} // namespace brelon
