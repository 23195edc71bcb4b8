#pragma once

#include "base/Result.h"

#include <string>

// What a step of the player returns: its value, or why not as the player
// tells it (a text of player_messages, with the system's reason where there
// is one). The player is its own front end, so its failures are its texts.
template <class T = void>
using PlayerResult = base::Result<T, std::string>;
