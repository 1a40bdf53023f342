#pragma once

#include <QKeyEvent>

#include <cstdint>

// The codes in which the controls' handlers receive keys, mouse buttons and the shift state.

inline constexpr std::int16_t keyEnter = 13; // Return and Enter alike
inline constexpr std::int16_t leftButton = 1;
inline constexpr std::int16_t rightButton = 2;
inline constexpr std::int16_t middleButton = 4;

// Qt's key code, Return and Enter as keyEnter; 0 for a key past the 16-bit range.
inline std::int16_t keyCodeOf(const QKeyEvent& event)
{
    const int key = event.key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return keyEnter;
    return key <= 0x7FFF ? static_cast<std::int16_t>(key) : 0;
}

// 1 Shift, 2 Ctrl, 4 Alt, added together.
inline std::int16_t shiftStateOf(Qt::KeyboardModifiers modifiers)
{
    std::int16_t shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= 1;
    if (modifiers & Qt::ControlModifier)
        shift |= 2;
    if (modifiers & Qt::AltModifier)
        shift |= 4;
    return shift;
}

// leftButton, rightButton or middleButton; 0 for any other.
inline std::int16_t buttonCodeOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return leftButton;
    case Qt::RightButton:
        return rightButton;
    case Qt::MiddleButton:
        return middleButton;
    default:
        return 0;
    }
}
