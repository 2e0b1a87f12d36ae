// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The window's layout as it is stored, once for every suite: each named
// widget with its class, its rectangle in twips, its text and whether it is
// shown after start-up. The window suite holds the built window against it;
// the end-to-end suite and the bar checker find in it where a widget lies on
// a screenshot. QtCore alone, so the checker built for Windows can use it.

#include <QRect>
#include <QtGlobal>

#include <string_view>

namespace brelon::test {

/// The stored layout's unit: 15 twips a pixel at zoom 1.
inline constexpr int twipsPerPixel = 15;

/// \brief One named widget as the layout stores it.
struct StoredWidget {
    const char* name; ///< the object name, UTF-8
    const char* kind; ///< the class name, as QObject::inherits() takes it
    QRect twips; ///< as stored: an option button's relative to the structure frame
    const char* text; ///< its text, title or caption, UTF-8; empty where it shows none
    bool shown; ///< whether it is shown after start-up
};

/// The frame that holds the option buttons.
inline constexpr std::string_view structureFrame = "nNomKmitočet";

inline constexpr StoredWidget storedLayout[] = {
    { "nTitul", "QLineEdit", { 3720, 0, 2535, 405 }, "Difrakce na mřížce", true },
    { "HScrollSpomaleni", "brelon::ScrollBar", { 6360, 120, 1935, 255 }, "", true },
    { "cmdStart", "QPushButton", { 8880, 120, 855, 375 }, "Start", true },
    { "cmdKonec", "QPushButton", { 9840, 120, 855, 375 }, "Konec", true },
    { "nSpomaleni", "QLineEdit", { 5640, 360, 1455, 285 }, "Spomalení", false },
    { "nKmitočet", "QLineEdit", { 720, 600, 615, 285 }, "Kmitočet", false },
    { "nNomKmitočet", "QGroupBox", { 1440, 600, 2295, 615 }, "Počet průzorů", true },
    { "op2", "QRadioButton", { 120, 240, 495, 195 }, "2", true },
    { "op3Dirky", "QRadioButton", { 720, 240, 495, 195 }, "3", true },
    { "op4Dírky", "QRadioButton", { 1200, 240, 495, 195 }, "4", true },
    { "op20", "QRadioButton", { 1680, 240, 495, 195 }, "20", true },
    { "Picture1", "QLabel", { 5640, 600, 5895, 2055 }, "", true },
    { "nVlny", "QLineEdit", { 480, 2040, 3615, 285 }, "Počet vlnových délek na rozteč průzorů", true },
    { "nRelKmitočet", "QLineEdit", { 4080, 2040, 615, 195 }, "Rel. kmitočet", true },
    { "HScrollKmitočet", "brelon::ScrollBar", { 1320, 2280, 2655, 255 }, "", true },
    { "HScrollKmitocet20", "brelon::ScrollBar", { 1560, 2280, 2175, 255 }, "", true },
    { "nSměs", "QLineEdit", { 6120, 2400, 1575, 285 }, "směs světla R+G+B", true },
    { "nCornu", "QLineEdit", { 2880, 2760, 2175, 285 }, "Cornuovy spirály", true },
    { "nNdirek", "QLineEdit", { 0, 3360, 1095, 285 }, "Ndirek", false },
    { "labKlepnete", "QLabel", { 3120, 4080, 3255, 495 }, "Klepněte na Start", true },
    { "nKmit", "QLineEdit", { 480, 4200, 2415, 240 }, "Relativní kmitočet", false },
    { "nNominalKmit", "QLineEdit", { 480, 4560, 2175, 360 }, "Nominální kmitočet", false },
    { "nMřížka", "QLineEdit", { 6240, 8160, 2415, 285 }, "clona s mřížkou", true },
};

[[noreturn]] inline void noStoredWidget(std::string_view name)
{
    qFatal("the stored layout has no widget named %.*s", int(name.size()), name.data());
}

/// \brief The widget named \a name (UTF-8). A name the layout lacks does not
/// compile where the lookup is a constant, and ends the test where it is not.
constexpr const StoredWidget& storedWidget(std::string_view name)
{
    for (const StoredWidget& widget : storedLayout)
        if (widget.name == name)
            return widget;
    noStoredWidget(name);
}

/// \brief Whether the widget lies in the structure frame: the option buttons do.
constexpr bool inStructureFrame(const StoredWidget& widget)
{
    return std::string_view(widget.kind) == "QRadioButton";
}

/// \brief The widget's rectangle in twips of the client area: an option
/// button's moved by the frame's top left.
constexpr QRect clientTwips(const StoredWidget& widget)
{
    return inStructureFrame(widget) ? widget.twips.translated(storedWidget(structureFrame).twips.topLeft())
                                    : widget.twips;
}

/// \brief A rectangle in twips as pixels at zoom 1; the stored rectangles lie
/// on whole pixels.
constexpr QRect pixelRect(const QRect& twips)
{
    return { twips.x() / twipsPerPixel, twips.y() / twipsPerPixel, twips.width() / twipsPerPixel,
        twips.height() / twipsPerPixel };
}

/// \brief The widget's rectangle in pixels of the client area at zoom 1.
constexpr QRect clientPixels(const StoredWidget& widget)
{
    return pixelRect(clientTwips(widget));
}

} // namespace brelon::test
