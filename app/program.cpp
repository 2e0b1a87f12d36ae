// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/program.h"

#include "app/environment.h"
#include "app/layout.h"
#include "app/startup.h"
#include "diffraction/start.h"
#include "params/frequency.h"
#include "params/structure.h"
#include "surface/window/scrollbar.h"

#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <cstdlib>

namespace brelon {

void MessageBoxSink::fail(const QString& message)
{
    QMessageBox::critical(m_parent, QStringLiteral("Brelon"), message);
    // Nothing may run after an unhandled error, not even the handler that
    // raised the failing event: end here.
    endProgram(EXIT_FAILURE);
}

Program::Program(ErrorSink* sink, const QLocale& locale)
    : m_window(createWindow())
    , m_ui(std::make_unique<WindowUi>(*m_window, locale))
{
    if (!sink) {
        m_defaultSink = std::make_unique<MessageBoxSink>(m_window.get());
        sink = m_defaultSink.get();
    }
    m_sink = sink;
    connectHandlers();
}

Program::~Program() = default;

void Program::connectHandlers()
{
    Window* w = m_window.get();
    QObject::connect(w->roles().button(Button::Start), &QPushButton::clicked, w, [this] { run(cmdStartClick); });
    QObject::connect(w->roles().button(Button::Konec), &QPushButton::clicked, w, [this] { run(cmdKonecClick); });

    const auto onSelect = [this, w](Option option, void (*handler)(Ui&)) {
        QObject::connect(m_ui->option(option), &QRadioButton::toggled, w, [this, handler](bool checked) {
            if (checked)
                run(handler);
        });
    };
    onSelect(Option::Op2, op2Click);
    onSelect(Option::Op3, op3DirkyClick);
    onSelect(Option::Op4, op4DirkyClick);
    onSelect(Option::Op20, op20Click);

    const auto onChange = [this, w](Bar bar, void (*handler)(Ui&)) {
        QObject::connect(m_ui->bar(bar), &ScrollBar::valueChanged, w, [this, handler] { run(handler); });
    };
    onChange(Bar::Kmitocet, hScrollKmitocetChange);
    onChange(Bar::Kmitocet20, hScrollKmitocet20Change);
    onChange(Bar::Spomaleni, hScrollSpomaleniChange);
}

void Program::start()
{
    run(formLoad);
    showMainWindow(*m_window);
    m_window->roles().button(Button::Start)->setFocus();
}

} // namespace brelon
