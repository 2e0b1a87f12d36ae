// SPDX-License-Identifier: GPL-3.0-or-later

// brelon-faces: the faces the window's captions are shown in, and whether
// each shows whole and grows with the window. Built for Linux and for
// Windows; scripts/windows.sh runs the Windows build under Wine in prefixes
// set up as school PCs, where "MS Sans Serif" is Windows' bitmap face.
//
//   brelon-faces [OUT_DIR]
//       Starts the program's window as brelon does, at 758 × 571 and then
//       maximised on a 1920 × 1080 screen, and for every caption
//       shown (the text fields' texts and the frame's title) says which face
//       shows it, whether that face is an outline face holding every letter
//       of the text (so none is taken from another face), how wide and tall
//       its ink is on the screen at both sizes, and FAIL where the ink is missing or
//       short of the text's width, or its letters are not 1.5 times as tall
//       maximised. Exit status 0 when no caption fails. The two
//       pictures of the window are saved in OUT_DIR when it is given.

#include "app/program.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QScreen>
#include <QStyleOptionGroupBox>
#include <QTest>

#include <cstdio>
#include <optional>
#include <vector>

namespace {

struct Caption {
    QString name;
    QString text;
    QFont font;
    QRect rect; ///< where the text lies, in the window
};

std::vector<Caption> captions(QWidget& window)
{
    std::vector<Caption> all;
    for (auto* edit : window.findChildren<QLineEdit*>()) {
        if (edit->isVisibleTo(&window) && !edit->hasFrame() && !edit->text().isEmpty())
            all.push_back({ edit->objectName(), edit->text(), edit->font(), edit->geometry() });
    }
    for (auto* box : window.findChildren<QGroupBox*>()) {
        QStyleOptionGroupBox option;
        option.initFrom(box);
        option.text = box->title();
        option.textAlignment = box->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect label = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
        all.push_back({ box->objectName(), box->title(), box->font(), label.translated(box->pos()) });
    }
    return all;
}

/// The bounding box of the dark pixels (text is black on the grey) in \a r.
QRect ink(const QImage& picture, const QRect& r)
{
    QRect box;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(picture.pixel(x, y)) < 96)
                box |= QRect(x, y, 1, 1);
    return box;
}

/// Whether the face that shows \a caption holds every letter of its text at
/// every size: an outline face that needs no other.
bool wholeInOneFace(const Caption& caption, QString* face)
{
    *face = QFontInfo(caption.font).family();
    QFont alone(*face);
    alone.setStyleStrategy(QFont::NoFontMerging);
    const QFontMetrics metrics(alone);
    for (const QChar c : caption.text)
        if (!c.isSpace() && !metrics.inFont(c))
            return false;
    return QFontDatabase::isSmoothlyScalable(*face);
}

/// The window's picture once it has come to \a size, or to rest when
/// maximised (no \a size).
QImage picture(QWidget& window, std::optional<QSize> size, const QString& folder, const QString& name)
{
    if (size)
        window.resize(*size);
    else
        window.showMaximized();
    QSize last;
    for (int i = 0; i < 100 && (size ? window.size() != *size : window.size() != last || !window.isMaximized()); ++i) {
        last = window.size();
        QTest::qWait(100);
    }
    QTest::qWait(200);
    // What the screen shows of the window, not the window painted afresh.
    QImage image = window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    if (!folder.isEmpty())
        image.save(QDir(folder).filePath(name));
    return image;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    brelon::Program program;
    program.start();
    brelon::Window& window = program.window();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "brelon-faces: the window was not shown\n");
        return 2;
    }
    const QImage atSmall = picture(window, QSize(758, 571), folder, QStringLiteral("faces-small.png"));
    const std::vector<Caption> before = captions(window);
    const QImage atLarge = picture(window, std::nullopt, folder, QStringLiteral("faces-maximised.png"));
    const std::vector<Caption> after = captions(window);
    std::printf("the window at 758 × 571, then maximised at %d × %d\n", window.width(), window.height());
    if (window.width() < 1800) {
        std::fprintf(stderr, "brelon-faces: maximised, the window is only %d × %d\n", window.width(), window.height());
        return 2;
    }

    int failures = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        const Caption& caption = before[i];
        QString face;
        const bool whole = wholeInOneFace(caption, &face);
        const QRect a = ink(atSmall, caption.rect);
        const QRect b = ink(atLarge, after[i].rect);
        const int advance = QFontMetrics(caption.font).horizontalAdvance(caption.text);
        const double taller = a.height() > 0 ? double(b.height()) / a.height() : 0;
        const bool ok = whole && a.width() >= advance * 8 / 10 && taller >= 1.5;
        failures += ok ? 0 : 1;
        std::printf("%s %s \"%s\": %s, %s; ink %d × %d px (the text %d px wide) at 758 × 571, %d × %d px "
                    "maximised, %.2f times as tall\n",
            ok ? "PASS" : "FAIL", qUtf8Printable(caption.name), qUtf8Printable(caption.text), qUtf8Printable(face),
            whole ? "an outline face with every letter" : "NOT an outline face with every letter", a.width(),
            a.height(), advance, b.width(), b.height(), taller);
    }
    std::printf("captions: %zu, %d failed\n", before.size(), failures);
    return failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
