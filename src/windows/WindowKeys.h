#pragma once

#include "platform/Keys.h"

// The key tables of the document windows, free of any window.
namespace windowkeys {

// Answer of the Tolvane window's key map: the "ActionKey" code to post, or
// kPassOn when the key goes on to the menus' key equivalents.
inline constexpr int kPassOn = -1;
int actionCodeForKey(const platform::KeyEvent &event);

// The keys the menus' key equivalents would take on a desktop without them
// (arrows, space, page keys, return, delete, tab and the Command keys of the
// on-screen key pad): the same code as the key pad's button, else kPassOn.
// A menu shortcut for the same key takes the key before the window sees it.
int passedOnCodeForKey(const platform::KeyEvent &event);

// Command-Option-Left and Command-Option-Up place the window (placements 4
// and 5 of the window arrangement); -1 for any other key.
int arrangePlacementForKey(const platform::KeyEvent &event);

// The key-choice code the preferences window posts as "ActionKeyPref".
int keyChoiceCode(const platform::KeyEvent &event);

} // namespace windowkeys
