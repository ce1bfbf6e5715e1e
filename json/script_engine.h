// One script engine instance: the place where a JSON document lives while it is
// read and written through short script texts. Scripts run under a time budget
// per call and a memory cap per engine, and reach no files, network or processes.
// The engine's own built-ins that work long inside one call (searches, regular
// expressions, walks over array-like objects, the compiler) look at the same
// deadline as the script does.
#pragma once

#include "text_types.h"

#include <chrono>
#include <cstddef>
#include <memory>

struct duk_hthread;
struct EngineHeap;

struct ScriptLimits {
    // Longest time one call may run; a call that takes longer is stopped and fails.
    std::chrono::milliseconds time_budget{2000};
    // Most bytes the engine may hold; an allocation past it fails inside the script.
    std::size_t memory_cap = std::size_t{64} << 20;
    // Most time all calls of one engine may run together (0: no such limit). A
    // document whose every read runs out of time would otherwise cost a whole
    // budget per read; once this is spent, calls fail at once.
    std::chrono::milliseconds engine_budget{6000};
};

// Holds every engine call made on this thread while it lives, by any engine, to one
// deadline: budget from its making. An operation made of several calls, or of calls
// to engines it makes on the way, thus ends within one budget. A hold made while
// another lives keeps the outer deadline.
class OperationDeadline {
public:
    explicit OperationDeadline(std::chrono::milliseconds budget);
    ~OperationDeadline();
    OperationDeadline(const OperationDeadline&) = delete;
    OperationDeadline& operator=(const OperationDeadline&) = delete;

private:
    bool outermost_;
};

// What read_json found.
enum class JsonRead {
    not_json,     // the text is no valid JSON, or the call failed: the global is unchanged
    string,       // one JSON string
    other_value,  // any other JSON value
};

class ScriptEngine {
public:
    // Null when the engine cannot be made (for instance a cap too small for it).
    static std::shared_ptr<ScriptEngine> create(const ScriptLimits& limits = {});
    ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    // Every call below fails when the script does not compile, raises an error, runs
    // past the time budget or the memory cap. The engine stays usable afterwards.
    // Code and results are code page 936 texts.

    // Runs code as global code: its functions and "var" declarations become globals.
    // false when the call fails.
    bool add_code(const Text& code);

    // Evaluates a statement list in the global scope; its value is that of the last
    // expression statement that ran (undefined when none ran). Value discarded;
    // false when the call fails.
    bool eval(const Text& code);

    // The value converted to text; null and undefined give the empty text.
    // Empty when the call fails.
    Text eval_text(const Text& code);

    // The value as a number. 0 when the call fails, and when the value has no
    // numeric reading (a text like "abc", an object, undefined).
    double eval_number(const Text& code);

    // The value converted to a boolean; false when the call fails.
    bool eval_boolean(const Text& code);

    // Calls the function that the expression function evaluates to with one argument,
    // value as a string: the value is data, never script text. Result discarded;
    // false when the call fails.
    bool call_with_text(const Text& function, const Text& value);

    // Reads json with the engine's JSON parser (no script runs) into the global name.
    // not_json when json is no valid JSON or the call fails.
    JsonRead read_json(const Text& name, const Text& json);

    const ScriptLimits& limits() const { return limits_; }

private:
    enum class How { program, eval, call_with_value, json_into_global };
    enum class Want { nothing, text, number, boolean };
    struct Result {
        bool ok = false;
        Text text;
        double number = 0;
        bool boolean = false;
    };

    struct CallFrame;

    explicit ScriptEngine(const ScriptLimits& limits);
    // The time the next call may take: the call budget, or what is left of the
    // engine's total or of the operation under way when that is less.
    std::chrono::milliseconds budget_left() const;
    Result run(How how, const Text& code, const Text& value, Want want);
    static int run_protected(duk_hthread* context, void* udata);
    static void convert_result(duk_hthread* context, CallFrame& frame);

    ScriptLimits limits_;
    std::chrono::nanoseconds time_used_{0};  // by all calls so far
    std::unique_ptr<EngineHeap> heap_;       // outlives the context, which points at it
    duk_hthread* context_ = nullptr;
};
