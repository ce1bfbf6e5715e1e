// A JSON document held in a script engine of its own, read and written by member
// paths: script member expressions relative to the document, like
// "data[0].gameLiveInfo.nick" or "[1]". Paths and expressions go into the script
// texts verbatim; values given as text reach the engine as strings, never as script.
// Nothing is ever raised or shown: a failed step gives the empty text, 0 or false,
// or has no effect.
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
    // Reads text on a fresh engine; it becomes the document. Valid JSON is read as data;
    // any other text is evaluated as a script expression (one JSON string too, whose
    // content is then evaluated). false when the result is null or undefined, when the
    // text does not compile or fails, and when there is no engine.
    virtual bool parse(const Text& text);
    // The compact JSON text of the document, with the backslash placeholder turned back
    // into backslashes. Empty for an undefined document or on failure.
    virtual Text to_json();
    // Stores value (code page 936) at path; as_expression takes it as a script
    // expression ("{}" when empty). No effect on failure.
    virtual void set_text(const Text& path, const Text& value, bool as_expression = false);
    // The member becomes the value of the expression. No effect on failure.
    virtual void set_expression(const Text& path, const Text& expression);
    virtual void set_number(const Text& path, double value);  // no effect on failure
    virtual double get_number(const Text& path);              // 0 on failure
    // The member's compact JSON text; empty when absent or on failure.
    virtual Text get_json(const Text& path);
    // A string member as it is, a number in the system's number form ("0", "2000");
    // with as_json the member's JSON text. Empty when absent, null or on failure.
    virtual Text get_text(const Text& path, bool as_json = false);
    // An independent object holding a deep copy of the member (undefined when absent).
    virtual JsonScriptObject get_object(const Text& path);
    // Own members of an object, elements of an array; the empty path counts the
    // document. -2 for an absent or null member, 0 when the path fails.
    virtual int member_count(const Text& path = {});
    // Adds value, a string (a script expression with as_expression), at the end of the
    // array at path (the document when empty); a target that is not an array becomes
    // an empty array first. No effect on failure.
    virtual void append(const Text& value, const Text& path = {}, bool as_expression = false);
    // An independent object holding a deep copy of element index (zero-based) of the
    // array at path (the document when empty).
    virtual JsonScriptObject get_element_object(int index, const Text& path = {});
    // Element index (zero-based) of the array at path as text, or its JSON text.
    // Empty when absent or on failure.
    virtual Text get_element_text(int index, const Text& path = {}, bool as_json = false);
    // Sets element index of the document to value, a string (a script expression with
    // as_expression). No effect on failure.
    virtual void set_element(int index, const Text& value, bool as_expression = false);
    // Removes element index of the document; later ones move down. No effect on failure.
    virtual void remove_element(int index);
    // Removes element B of the array A for a path "A[B]". No effect without "[".
    virtual void remove_path_element(const Text& path);
    virtual void delete_member(const Text& path);  // no effect on failure
    // 0 and 4 make the document an empty object, 5 an empty array; others do nothing.
    virtual void reset_to_type(JsonType type);
    // The whole document becomes value, a string (a script expression with
    // as_expression). No effect on failure.
    virtual void assign(const Text& value, bool as_expression = false);
    // true when the member is neither null nor undefined; false on failure.
    virtual bool has_member(const Text& path);
    // Replaces names with the enumerable member names at path (the document when
    // empty) and gives their number; an empty array and 0 on failure.
    virtual int member_names(TextArray& names, const Text& path = {});
    // The kind of the member at path (the document when empty); other (-1) on failure.
    virtual JsonType type_of(const Text& path = {});
    virtual void clear();  // the document becomes an empty object
    // Another reference to the engine; null when the object has none.
    virtual std::shared_ptr<ScriptEngine> engine_object();

    virtual ~JsonScriptObject();

    const Text& var_name() const { return var_name_; }

private:
    struct Shared {};
    JsonScriptObject(Shared, const ScriptLimits& limits, Text name,
                     std::shared_ptr<ScriptEngine> engine);

    // Engine calls; without engine they do nothing and give the empty value.
    void run(const Text& code);
    // Calls the function expression with value as a string argument (arguments[0]).
    void run_with_text(const Text& function, const Text& value);
    Text text_of(const Text& code);
    double number_of(const Text& code);
    bool boolean_of(const Text& code);

    // The document's reference for a path, by the rules the operations use.
    Text point_unless_bracket(const Text& path, bool empty_is_root) const;
    Text point_when_given(const Text& path) const;
    Text point_always(const Text& path) const;
    Text point_when_path_is_nothing(const Text& path);
    // target = value, a string (a script expression with as_expression).
    void store(const Text& target, const Text& value, bool as_expression);
    JsonScriptObject object_from_json(const Text& json_script);

    Text var_name_;
    std::shared_ptr<ScriptEngine> engine_;
    ScriptLimits limits_;
    // The engine is as init_engine left it and no other object holds it, so a
    // parse can take it as the fresh engine it would otherwise make.
    bool engine_untouched_ = false;
};
