// A JSON document held in a script engine of its own, read and written by member
// paths: script member expressions relative to the document, like
// "data[0].gameLiveInfo.nick" or "[1]". Paths, values and expressions go into the
// script texts verbatim. Nothing is ever raised or shown: a failed step gives the
// empty text, 0 or false, or has no effect.
#pragma once

#include "script_engine.h"
#include "text_types.h"

#include <memory>

// The kinds type_of tells apart; reset_to_type takes them too. 3 is not used.
enum class JsonType : int {
    null_value = 0,  // null or undefined, an absent member of an existing parent too
    boolean = 1,
    number = 2,
    object = 4,
    array = 5,
    string = 6,
    other = -1,  // a function, another engine type, or a path whose evaluation fails
};

class JsonScriptObject {
public:
    // A fresh engine holding the empty object. When the engine cannot be made the
    // object has none, and every operation fails.
    JsonScriptObject();
    explicit JsonScriptObject(const ScriptLimits& limits);

    JsonScriptObject(JsonScriptObject&&) noexcept = default;
    JsonScriptObject& operator=(JsonScriptObject&&) noexcept = default;
    JsonScriptObject(const JsonScriptObject&) = delete;
    JsonScriptObject& operator=(const JsonScriptObject&) = delete;

    // The operations, in the fixed order of the operation table.

    // Lets go of the engine (it ends with the last object that holds it); the object
    // is then without engine. Calling it again does nothing.
    virtual void destroy();
    // Another object on the same engine: both read and write one document.
    virtual JsonScriptObject copy() const;
    // Makes a new engine with the prelude and an empty document; when that fails the
    // engine held before (if any) stays.
    virtual void init_engine();
    // Evaluates text as a script expression on a fresh engine; it becomes the document.
    // false when the result is null or undefined, when the text does not compile or
    // fails, and when there is no engine.
    virtual bool parse(const Text& text);
    virtual double get_number(const Text& path);               // 0 on failure
    // A string member as it is, a number in the system's number form ("0", "2000");
    // with as_json the member's JSON text. Empty when absent, null or on failure.
    virtual Text get_text(const Text& path, bool as_json = false);
    // Own members of an object, elements of an array; the empty path counts the
    // document. -2 for an absent or null member, 0 when the path fails.
    virtual int member_count(const Text& path = {});
    // The kind of the member at path (the document when empty); other (-1) on failure.
    virtual JsonType type_of(const Text& path = {});
    // Another reference to the engine; null when the object has none.
    virtual std::shared_ptr<ScriptEngine> engine_object();

    virtual ~JsonScriptObject();

    const Text& var_name() const { return var_name_; }

private:
    struct Shared {};
    JsonScriptObject(Shared, const ScriptLimits& limits, Text name, std::shared_ptr<ScriptEngine> engine);

    // Engine calls; without engine they do nothing and give the empty value.
    void run(const Text& code);
    Text text_of(const Text& code);
    double number_of(const Text& code);
    bool boolean_of(const Text& code);

    // The document's reference for a path, by the rules the operations use.
    Text point_unless_bracket(const Text& path, bool empty_is_root) const;
    Text point_when_given(const Text& path) const;
    Text point_always(const Text& path) const;

    Text var_name_;
    std::shared_ptr<ScriptEngine> engine_;
    ScriptLimits limits_;
};
