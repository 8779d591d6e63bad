#pragma once

// Mouse state in the numbers the window's mouse handlers take: the buttons' below, each a bit of the
// held buttons; shift state 1 Shift, 2 Ctrl, 4 Alt.

#include <Qt>

namespace PointerButton {
constexpr int Left = 1, Right = 2, Middle = 4;
}

inline int pointerButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return PointerButton::Left;
    case Qt::RightButton:
        return PointerButton::Right;
    case Qt::MiddleButton:
        return PointerButton::Middle;
    default:
        return 0;
    }
}

inline int pointerButtons(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? PointerButton::Left : 0) |
           (buttons & Qt::RightButton ? PointerButton::Right : 0) |
           (buttons & Qt::MiddleButton ? PointerButton::Middle : 0);
}

inline int pointerShift(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}
