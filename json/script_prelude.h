// The script every new engine runs first, before the document variable is made.
#pragma once

#include "text_types.h"

// get__count(c): the number of enumerable members of c, own and inherited, minus two;
// for an object or an array that is the number of its own members, because the two
// methods added to Object.prototype below are enumerable. -2 for null and undefined.
// The engine's own JSON object is kept; the guard only makes one where none exists.
// Object.prototype.toJSONString and parseJSON are added unless already present.
extern const Text script_prelude;
