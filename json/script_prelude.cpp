#include "script_prelude.h"

// The loop variable of get__count is left undeclared on purpose: it stays behind as
// the global v, and the enumerable methods are what member counts and member name
// lists correct for.
const Text script_prelude =
    "function get__count(c){var i=-2;for(v in c)i++;return i}"
    "if(typeof JSON!=='object'){JSON={}}"
    "if(!Object.prototype.toJSONString){"
    "Object.prototype.toJSONString=function(filter){return JSON.stringify(this,filter)};"
    "Object.prototype.parseJSON=function(filter){return JSON.parse(this,filter)}}";
