#pragma once

#include <QtGlobal>

namespace platform {

// Key codes and modifier flag bits in the original platform's encoding, which key events,
// stored hotkeys and settings all use; backends translate at their edge. This is the one place
// each of them is defined.

// Modifier flag bits of a key event.
inline constexpr quint64 kCapsLockFlag = 0x10000;
inline constexpr quint64 kShiftFlag = 0x20000;
inline constexpr quint64 kControlFlag = 0x40000;
inline constexpr quint64 kOptionFlag = 0x80000;
inline constexpr quint64 kCommandFlag = 0x100000;
// Function/Globe: never part of a chord; it turns layout keys into their multi-window variant.
inline constexpr quint64 kFunctionFlag = 0x800000;
// The modifiers a chord is made of: Shift, Control, Option and Command (0x1E0000). Caps Lock,
// fn, keypad and device bits never take part.
inline constexpr quint64 kChordFlags = kShiftFlag | kControlFlag | kOptionFlag | kCommandFlag;

// Modifier keys. Right Command 54 … fn 63 are the modifier keys, and nothing else lies between.
inline constexpr quint16 kRightCommandKeyCode = 54;
inline constexpr quint16 kCommandKeyCode = 55;
inline constexpr quint16 kShiftKeyCode = 56;
inline constexpr quint16 kCapsLockKeyCode = 57;
inline constexpr quint16 kOptionKeyCode = 58;
inline constexpr quint16 kControlKeyCode = 59;
inline constexpr quint16 kRightShiftKeyCode = 60;
inline constexpr quint16 kRightOptionKeyCode = 61;
inline constexpr quint16 kRightControlKeyCode = 62;
// The fn key; PC keyboards' Globe stand-in reports as this key.
inline constexpr quint16 kFnKeyCode = 63;
// The Globe key of newer keyboards; it sets the fn flag like the fn key.
inline constexpr quint16 kGlobeKeyCode = 179;

// Keys that steer lists and dialogs.
inline constexpr quint16 kReturnKeyCode = 36;
inline constexpr quint16 kEscapeKeyCode = 53;
inline constexpr quint16 kKeypadEnterKeyCode = 76;

// The flag a held modifier key sets (both keys of a pair share one; fn the Function flag); 0 for
// any other key, Caps Lock (a lock, not held) and the Globe key included.
constexpr quint64 modifierKeyFlag(quint16 keyCode) {
    switch (keyCode) {
    case kCommandKeyCode:
    case kRightCommandKeyCode:
        return kCommandFlag;
    case kShiftKeyCode:
    case kRightShiftKeyCode:
        return kShiftFlag;
    case kOptionKeyCode:
    case kRightOptionKeyCode:
        return kOptionFlag;
    case kControlKeyCode:
    case kRightControlKeyCode:
        return kControlFlag;
    case kFnKeyCode:
        return kFunctionFlag;
    default:
        return 0;
    }
}

// Shift, Control, Option, Command (left and right), Caps Lock and fn: keys whose presses are
// modifier changes rather than key events.
constexpr bool isModifierKey(quint16 keyCode) {
    return keyCode >= kRightCommandKeyCode && keyCode <= kFnKeyCode;
}

// The left-hand key of a modifier flag (Caps Lock for Caps Lock); 0 for bits without one.
constexpr quint16 leftModifierKey(quint64 flag) {
    switch (flag) {
    case kCapsLockFlag:
        return kCapsLockKeyCode;
    case kShiftFlag:
        return kShiftKeyCode;
    case kControlFlag:
        return kControlKeyCode;
    case kOptionFlag:
        return kOptionKeyCode;
    case kCommandFlag:
        return kCommandKeyCode;
    case kFunctionFlag:
        return kFnKeyCode;
    default:
        return 0;
    }
}

} // namespace platform
