#pragma once

namespace tilewick::keys {

// The program's settings, in its defaults domain.
inline constexpr const char* lastTab = "lastTab";
inline constexpr const char* modifiers = "modifiers";
inline constexpr const char* keyboardOverlay = "keyboardOverlay";
inline constexpr const char* showInMenuBar = "showInMenuBar";
inline constexpr const char* showInDock = "showInDock";
inline constexpr const char* bindings = "bindings";
inline constexpr const char* bindingsVersion = "bindingsVersion";
inline constexpr const char* startAtLoginPending = "startAtLoginPending";
inline constexpr const char* appSnaps = "appSnaps";
// Where "bindings" that could not be read are kept before the defaults replace them.
inline constexpr const char* unreadableBindings = "bindings.unreadable";
// Where "appSnaps" is kept when some of it could not be read.
inline constexpr const char* unreadableAppSnaps = "appSnaps.unreadable";

} // namespace tilewick::keys
