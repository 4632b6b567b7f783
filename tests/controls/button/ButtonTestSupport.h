// Helpers of the button tests: a button shown offscreen at a size with
// property values written by name, and the fixed grey colours of ColorScheme 3.
#pragma once

#include "button/sknButton.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <utility>

namespace zephral::test {

// ColorScheme 3, as the fixed table of the design gives it.
inline constexpr Colour kFace = rgb(192, 192, 192);
inline constexpr Colour kShadow = rgb(128, 128, 128);
inline constexpr Colour kLight = rgb(223, 223, 223);
inline constexpr Colour kHighlight = rgb(255, 255, 255);
inline constexpr Colour kDark = rgb(0, 0, 0);
inline constexpr Colour kSelection = rgb(0, 0, 128);
inline constexpr Colour kSelectionTint = rgb(173, 173, 209);

using Values = std::initializer_list<std::pair<const char*, const char*>>;

// A new run-mode instance, the values written in order, shown at w x h.
inline std::unique_ptr<sknButton> shownButton(int w, int h, Values values) {
    auto button = std::make_unique<sknButton>();
    button->setObjectName(QStringLiteral("sknButton1"));
    button->initProperties();
    for (const auto& [name, value] : values) {
        const ControlError e =
            button->writeProperty(QString::fromLatin1(name), QString::fromUtf8(value));
        EXPECT_FALSE(e) << name << "=" << value << ": " << e.description.toStdString();
    }
    button->resize(w, h);
    button->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(button.get()));
    button->clearFocus(); // showing the window gave it the focus
    return button;
}

// A w x h picture of one colour saved in dir, as a PictureNormal value.
inline QByteArray savedBlock(const QTemporaryDir& dir, int w, int h, QRgb colour) {
    QImage block(w, h, QImage::Format_RGB32);
    block.fill(colour);
    const QString path = dir.filePath("block.png");
    EXPECT_TRUE(block.save(path));
    return path.toUtf8();
}

} // namespace zephral::test
