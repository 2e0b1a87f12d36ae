// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/layout.h"

#include "app/illustration.h"
#include "surface/drawing/twips.h"
#include "surface/window/accessible.h"
#include "surface/window/scrollbar.h"
#include "surface/window/surfacelabel.h"

#include <QAccessible>
#include <QButtonGroup>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <type_traits>
#include <variant>
#include <vector>

namespace brelon {

namespace {

enum class Kind { TextField, ScrollBar, PushButton, Frame, OptionButton, PictureBox, SurfaceLabel };

enum class Face { Default, TimesNewRoman, MsSansSerif };

struct FontStyle {
    Face face = Face::Default;
    double points = 0;
    bool bold = false;
};

enum Flags : unsigned {
    None = 0,
    Hidden = 1u << 0,
    Border = 1u << 1, ///< the normal edit-field border
    Centred = 1u << 2,
    WindowBack = 1u << 3, ///< the system window colour instead of grey
    InFrame = 1u << 4, ///< geometry relative to the frame
};

/// What a widget is to the program: nothing it works with, or one of the
/// fields, bars, options and buttons the handlers and start-up use.
using Role = std::variant<std::monostate, Field, Bar, Option, Button>;

struct WidgetEntry {
    Kind kind;
    const char16_t* name;
    int left, top, width, height; // twips
    const char16_t* text;
    FontStyle font;
    unsigned flags;
    int max; // scroll bars
    Role role;
    int tab; ///< position in the tab order
    int above; ///< where widgets overlap, a higher level lies above
    const char16_t* accessible = nullptr; ///< what a screen reader says, when not the text
};

constexpr FontStyle defaultFont {};
constexpr FontStyle times1425 { Face::TimesNewRoman, 14.25, false };
constexpr FontStyle times1425Bold { Face::TimesNewRoman, 14.25, true };
constexpr FontStyle times1575Bold { Face::TimesNewRoman, 15.75, true };
constexpr FontStyle sans975 { Face::MsSansSerif, 9.75, false };
constexpr FontStyle sans975Bold { Face::MsSansSerif, 9.75, true };
constexpr FontStyle sans12 { Face::MsSansSerif, 12, false };

constexpr Role none {};

// The stored layout, from the top of the window downwards. Tab positions 0
// to 22; widgets that cannot take the focus are passed over.
const WidgetEntry layout[] = {
    { Kind::TextField, u"nTitul", 3720, 0, 2535, 405, u"Difrakce na mřížce", times1425Bold, None, 0, none, 4, 0 },
    { Kind::ScrollBar, u"HScrollSpomaleni", 6360, 120, 1935, 255, u"", defaultFont, None, 10000, Bar::Spomaleni, 15, 0,
        u"Zpomalení kreslení" },
    { Kind::PushButton, u"cmdStart", 8880, 120, 855, 375, u"Start", times1425, None, 0, Button::Start, 0, 0 },
    { Kind::PushButton, u"cmdKonec", 9840, 120, 855, 375, u"Konec", times1425, None, 0, Button::Konec, 2, 0 },
    { Kind::TextField, u"nSpomaleni", 5640, 360, 1455, 285, u"Spomalení", defaultFont, Hidden | Border | WindowBack, 0,
        Field::Spomaleni, 6, 0, u"Zpomalení: počet kroků za sloupec" },
    { Kind::TextField, u"nKmitočet", 720, 600, 615, 285, u"Kmitočet", defaultFont, Hidden | Border | Centred, 0,
        Field::Kmitocet, 1, 0, u"Kmitočet" },
    { Kind::Frame, u"nNomKmitočet", 1440, 600, 2295, 615, u"Počet průzorů", sans975, None, 0, none, 11, 0 },
    { Kind::OptionButton, u"op2", 120, 240, 495, 195, u"2", defaultFont, InFrame, 0, Option::Op2, 12, 0, u"2 průzory" },
    { Kind::OptionButton, u"op3Dirky", 720, 240, 495, 195, u"3", defaultFont, InFrame, 0, Option::Op3, 16, 0,
        u"3 průzory" },
    { Kind::OptionButton, u"op4Dírky", 1200, 240, 495, 195, u"4", defaultFont, InFrame, 0, Option::Op4, 17, 1,
        u"4 průzory" },
    { Kind::OptionButton, u"op20", 1680, 240, 495, 195, u"20", defaultFont, InFrame, 0, Option::Op20, 13, 0,
        u"20 průzorů" },
    { Kind::PictureBox, u"Picture1", 5640, 600, 5895, 2055, u"", defaultFont, None, 0, none, 20, 0,
        u"Obrázek: bílé světlo rozložené mřížkou na barvy" },
    { Kind::TextField, u"nVlny", 480, 2040, 3615, 285, u"Počet vlnových délek na rozteč průzorů", sans975, None, 0,
        none, 22, 2 },
    { Kind::TextField, u"nRelKmitočet", 4080, 2040, 615, 195, u"Rel. kmitočet", sans975Bold, Centred, 0,
        Field::RelKmitocet, 18, 0, u"Relativní kmitočet" },
    { Kind::ScrollBar, u"HScrollKmitočet", 1320, 2280, 2655, 255, u"", defaultFont, None, 180, Bar::Kmitocet, 8, 0,
        u"Kmitočet pro 2, 3 a 4 průzory" },
    { Kind::ScrollBar, u"HScrollKmitocet20", 1560, 2280, 2175, 255, u"", defaultFont, None, 10, Bar::Kmitocet20, 14, 1,
        u"Kmitočet pro 20 průzorů" },
    { Kind::TextField, u"nSměs", 6120, 2400, 1575, 285, u"směs světla R+G+B", defaultFont, None, 0, none, 21, 1 },
    { Kind::TextField, u"nCornu", 2880, 2760, 2175, 285, u"Cornuovy spirály", sans12, None, 0, none, 5, 0 },
    { Kind::TextField, u"nNdirek", 0, 3360, 1095, 285, u"Ndirek", defaultFont, Hidden | Border | WindowBack, 0,
        Field::Ndirek, 10, 0, u"Počet průzorů" },
    { Kind::SurfaceLabel, u"labKlepnete", 3120, 4080, 3255, 495, u"Klepněte na Start", times1575Bold, None, 0, none, 9,
        0 },
    { Kind::TextField, u"nKmit", 480, 4200, 2415, 240, u"Relativní kmitočet", sans12, Hidden | Centred, 0, none, 3, 0 },
    { Kind::TextField, u"nNominalKmit", 480, 4560, 2175, 360, u"Nominální kmitočet", sans12, Hidden, 0, none, 19, 0 },
    { Kind::TextField, u"nMřížka", 6240, 8160, 2415, 285, u"clona s mřížkou", sans12, None, 0, none, 7, 0 },
};

const WidgetEntry& frameEntry()
{
    return *std::find_if(
        std::begin(layout), std::end(layout), [](const WidgetEntry& e) { return e.kind == Kind::Frame; });
}

/// The faces the texts are shown in, for the two the layout names.
struct Faces {
    QString timesNewRoman;
    QString msSansSerif;
};

/// Every character of the layout's texts, and those of the numbers shown.
QString ourCharacters()
{
    QString characters = QStringLiteral("0123456789.,-");
    for (const WidgetEntry& entry : layout)
        characters += QString::fromUtf16(entry.text);
    std::sort(characters.begin(), characters.end());
    characters.erase(std::unique(characters.begin(), characters.end()), characters.end());
    characters.remove(u' ');
    return characters;
}

/// Whether \a face shows every one of \a characters at any size: an outline
/// face that has them all. A bitmap face (Windows' own "MS Sans Serif") comes
/// in a few pixel sizes, so its texts would not grow with the window, and in
/// a Western code page it has no Czech letters.
bool showsAtAnySize(const QString& face, const QString& characters)
{
    if (!QFontDatabase::hasFamily(face) || !QFontDatabase::isSmoothlyScalable(face)
        || !QFontDatabase::writingSystems(face).contains(QFontDatabase::Latin))
        return false;
    QFont font(face);
    font.setStyleStrategy(QFont::NoFontMerging); // this face's letters, none borrowed
    const QFontMetrics metrics(font);
    return std::all_of(characters.begin(), characters.end(), [&](QChar c) { return metrics.inFont(c); });
}

/// The face the layout names where it shows our texts at any size (on
/// Windows "Times New Roman"); else the first of its kind that does:
/// Windows' outline twin, then a free face (on Linux). Where none does, the
/// toolkit's own choice for the name stands.
QString faceFor(const QString& stored, const QStringList& kin, const QString& characters)
{
    if (showsAtAnySize(stored, characters))
        return stored;
    for (const QString& face : kin)
        if (showsAtAnySize(face, characters))
            return face;
    return stored;
}

Faces chooseFaces()
{
    const QString characters = ourCharacters();
    return { faceFor(QStringLiteral("Times New Roman"), { QStringLiteral("Liberation Serif") }, characters),
        faceFor(QStringLiteral("MS Sans Serif"),
            { QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans") }, characters) };
}

QFont fontFor(const FontStyle& entry, const Faces& faces)
{
    QFont font;
    switch (entry.face) {
    case Face::Default:
        font = QFont(faces.msSansSerif);
        font.setPixelSize(11);
        return font;
    case Face::TimesNewRoman:
        font = QFont(faces.timesNewRoman);
        break;
    case Face::MsSansSerif:
        font = QFont(faces.msSansSerif);
        break;
    }
    // Point sizes at 96 dots per inch, so the layout keeps its proportions
    // whatever the screen reports.
    font.setPixelSize(qRound(entry.points * 96 / 72));
    font.setBold(entry.bold);
    return font;
}

void setBackground(QWidget* widget, const QColor& colour, QPalette::ColorRole role)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QWidget* create(const WidgetEntry& entry, const Faces& faces, Window* window, QWidget* frame, QButtonGroup* options)
{
    const QString name = QString::fromUtf16(entry.name);
    const QString text = QString::fromUtf16(entry.text);
    const QColor greyColour(toRgb(grey));
    QWidget* widget = nullptr;
    QWidget* parent = (entry.flags & InFrame) ? frame : window;
    switch (entry.kind) {
    case Kind::TextField: {
        auto* edit = new QLineEdit(text, parent);
        edit->setFrame(entry.flags & Border);
        edit->setAlignment((entry.flags & Centred) ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        edit->setCursorPosition(0);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Text, Qt::black);
        edit->setPalette(palette);
        setBackground(edit, (entry.flags & WindowBack) ? QColor(Qt::white) : greyColour, QPalette::Base);
        widget = edit;
        break;
    }
    case Kind::ScrollBar: {
        auto* bar = new ScrollBar(parent);
        bar->setRange(0, entry.max);
        bar->setValue(0);
        bar->setAutoFillBackground(true);
        widget = bar;
        break;
    }
    case Kind::PushButton: {
        auto* button = new QPushButton(text, parent);
        button->setAutoFillBackground(true);
        button->setAutoDefault(false);
        widget = button;
        break;
    }
    case Kind::Frame: {
        auto* box = new QGroupBox(text, parent);
        setBackground(box, greyColour, QPalette::Window);
        box->setFocusPolicy(Qt::NoFocus);
        widget = box;
        break;
    }
    case Kind::OptionButton: {
        auto* button = new QRadioButton(text, parent);
        // On the window's grey, as stored: a button fills its background
        // with the button colour unless told otherwise. Still opaque, so the
        // button that lies above its neighbours' edges hides them.
        setBackground(button, greyColour, QPalette::Window);
        button->setBackgroundRole(QPalette::Window);
        options->addButton(button);
        widget = button;
        break;
    }
    case Kind::PictureBox: {
        auto* picture = new QLabel(parent);
        window->magnifier().showPicture(picture, illustration());
        picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        picture->setContentsMargins(0, 0, 0, 0);
        setBackground(picture, greyColour, QPalette::Window);
        widget = picture;
        break;
    }
    case Kind::SurfaceLabel: {
        auto* label = new SurfaceLabel(text, parent);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setFocusPolicy(Qt::NoFocus);
        widget = label;
        break;
    }
    }
    widget->setObjectName(name);
    widget->setAccessibleName(entry.accessible ? QString::fromUtf16(entry.accessible) : text);
    // Twips of the client area; an option button's are given from its frame.
    QRect twips(entry.left, entry.top, entry.width, entry.height);
    if (entry.flags & InFrame)
        twips.translate(frameEntry().left, frameEntry().top);
    window->magnifier().place(widget, twips, fontFor(entry.font, faces));
    if (entry.flags & Hidden)
        widget->setVisible(false);
    std::visit(
        [&](auto role) {
            using R = decltype(role);
            if constexpr (std::is_same_v<R, Field>)
                window->roles().bind(role, qobject_cast<QLineEdit*>(widget));
            else if constexpr (std::is_same_v<R, Bar>)
                window->roles().bind(role, qobject_cast<ScrollBar*>(widget));
            else if constexpr (std::is_same_v<R, Option>)
                window->roles().bind(role, qobject_cast<QRadioButton*>(widget));
            else if constexpr (std::is_same_v<R, Button>)
                window->roles().bind(role, qobject_cast<QPushButton*>(widget));
        },
        entry.role);
    return widget;
}

} // namespace

QString windowCaption()
{
    return QStringLiteral("Brelon - www.example.org");
}

std::unique_ptr<Window> createWindow()
{
    const Faces faces = chooseFaces();

    const TwipScale stored;
    auto window = std::make_unique<Window>(stored.rect(QRect(0, 0, clientWidthTwips, clientHeightTwips)).size(),
        stored.rect(QRect(0, 0, surfaceWidthTwips, clientHeightTwips)).size());
    // What screen readers see of the window and its widgets (installed once
    // for the program, however many windows are built).
    QAccessible::installFactory(accessibleInterface);
    window->setObjectName(QStringLiteral("Brelon"));
    window->setWindowTitle(windowCaption());
    window->setAccessibleDescription(QStringLiteral("Difrakce na mřížce"));
    window->setFont(fontFor(defaultFont, faces));
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, QColor(toRgb(grey)));
    palette.setColor(QPalette::WindowText, Qt::black);
    window->setPalette(palette);

    auto* options = new QButtonGroup(window.get());
    options->setObjectName(QStringLiteral("structureOptions"));
    options->setExclusive(true);
    QWidget* frame = nullptr;
    std::vector<std::pair<const WidgetEntry*, QWidget*>> widgets;
    for (const WidgetEntry& entry : layout) {
        QWidget* widget = create(entry, faces, window.get(), frame, options);
        widgets.emplace_back(&entry, widget);
        if (entry.kind == Kind::Frame)
            frame = widget;
        if (entry.kind == Kind::SurfaceLabel) {
            window->paintLabel(static_cast<SurfaceLabel*>(widget),
                QRect(entry.left, entry.top, entry.width, entry.height), fontFor(entry.font, faces));
        }
    }
    if (!window->roles().complete())
        qFatal("the layout leaves a field, bar, option or button of the program without a widget");
    // The option group is one tab stop, its selected button; the arrow keys
    // move the selection within the group.
    QObject::connect(options, &QButtonGroup::buttonToggled, options, [options] {
        const bool anySelected = options->checkedButton() != nullptr;
        for (QAbstractButton* button : options->buttons())
            button->setFocusPolicy(!anySelected || button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    });

    // Where widgets overlap, the higher level lies above.
    std::stable_sort(
        widgets.begin(), widgets.end(), [](const auto& a, const auto& b) { return a.first->above < b.first->above; });
    for (const auto& [entry, widget] : widgets)
        if (entry->above > 0)
            widget->raise();
    std::sort(widgets.begin(), widgets.end(), [](const auto& a, const auto& b) { return a.first->tab < b.first->tab; });
    for (size_t i = 1; i < widgets.size(); ++i)
        QWidget::setTabOrder(widgets[i - 1].second, widgets[i].second);
    return window;
}

} // namespace brelon
