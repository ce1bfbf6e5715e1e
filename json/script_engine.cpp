#include "script_engine.h"

#include "engine_text.h"

#include <duktape.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// What the engine's allocator and interrupt check look at: the bytes it holds and
// the deadline of the call under way. Both limits are enforced while one of our calls,
// or the making or ending of the heap, is under way; the engine runs no script at any
// other time.
struct EngineHeap {
    std::size_t cap = 0;
    std::size_t used = 0;
    bool enforced = false;
    std::chrono::steady_clock::time_point deadline{};
    // Native work counted since the clock was last read, and whether the deadline was
    // found passed then; both start afresh with every call.
    unsigned long work = 0;
    bool overdue = false;
};

extern "C" int pelvaro_script_deadline_passed(void* heap_udata)
{
    const auto* heap = static_cast<const EngineHeap*>(heap_udata);
    return heap != nullptr && heap->enforced && std::chrono::steady_clock::now() >= heap->deadline;
}

namespace {

// About a few microseconds of the cheapest native work (a property read, a byte
// compared); reading the clock more often would cost more than the work it bounds.
constexpr unsigned long work_between_clock_reads = 4096;

}  // namespace

extern "C" int pelvaro_script_work_overdue(void* heap_udata, unsigned long work)
{
    auto* heap = static_cast<EngineHeap*>(heap_udata);
    if (heap == nullptr || !heap->enforced) return 0;
    if (heap->overdue) return 1;
    heap->work += std::min(work, work_between_clock_reads);
    if (heap->work < work_between_clock_reads) return 0;
    heap->work = 0;
    heap->overdue = std::chrono::steady_clock::now() >= heap->deadline;
    return heap->overdue ? 1 : 0;
}

namespace {

// Every block carries its size in front, so frees and reallocations can be counted.
struct alignas(std::max_align_t) BlockHeader {
    std::size_t size;
};

// Past the deadline every growth is refused as well: a single heavy built-in call
// (joining a huge array, say) runs between two interrupt checks, but it allocates as
// it goes, and a refused allocation ends it with an error. Shrinking always succeeds.
bool fits(const EngineHeap& heap, std::size_t old_size, std::size_t new_size)
{
    if (!heap.enforced || new_size <= old_size) return true;
    if (std::chrono::steady_clock::now() >= heap.deadline) return false;
    const std::size_t growth = new_size - old_size;
    return heap.used <= heap.cap && growth <= heap.cap - heap.used;
}

void* engine_alloc(void* udata, duk_size_t size)
{
    auto& heap = *static_cast<EngineHeap*>(udata);
    if (size > SIZE_MAX - sizeof(BlockHeader) || !fits(heap, 0, size)) return nullptr;
    auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (block == nullptr) return nullptr;
    block->size = size;
    heap.used += size;
    return block + 1;
}

void engine_free(void* udata, void* pointer)
{
    if (pointer == nullptr) return;
    auto& heap = *static_cast<EngineHeap*>(udata);
    auto* block = static_cast<BlockHeader*>(pointer) - 1;
    heap.used -= block->size;
    std::free(block);
}

void* engine_realloc(void* udata, void* pointer, duk_size_t size)
{
    if (pointer == nullptr) return engine_alloc(udata, size);
    auto& heap = *static_cast<EngineHeap*>(udata);
    auto* block = static_cast<BlockHeader*>(pointer) - 1;
    const std::size_t old_size = block->size;
    if (size == 0) {
        engine_free(udata, pointer);
        return nullptr;
    }
    if (size > SIZE_MAX - sizeof(BlockHeader) || !fits(heap, old_size, size)) return nullptr;
    auto* moved = static_cast<BlockHeader*>(std::realloc(block, sizeof(BlockHeader) + size));
    if (moved == nullptr) return nullptr;
    moved->size = size;
    heap.used = heap.used - old_size + size;
    return moved + 1;
}

// The deadline of the operation under way on this thread, if any.
struct Operation {
    bool active = false;
    std::chrono::steady_clock::time_point deadline{};
};
thread_local Operation operation;

// budget, or what is left of the operation under way when that is less.
std::chrono::milliseconds within_operation(std::chrono::milliseconds budget)
{
    if (!operation.active) return budget;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        operation.deadline - std::chrono::steady_clock::now());
    return std::max(std::chrono::milliseconds(0), std::min(budget, left));
}

// Every engine call of ours is protected, so this is reached only on a fault inside
// the engine itself; there is nothing sound to go on with.
[[noreturn]] void engine_fatal(void*, const char*)
{
    std::abort();
}

// Arms the deadline and the cap for the span of one call.
class Enforced {
public:
    Enforced(EngineHeap& heap, std::chrono::milliseconds budget) : heap_(heap)
    {
        heap_.deadline = std::chrono::steady_clock::now() + budget;
        heap_.work = 0;
        heap_.overdue = false;
        heap_.enforced = true;
    }
    ~Enforced() { heap_.enforced = false; }
    Enforced(const Enforced&) = delete;
    Enforced& operator=(const Enforced&) = delete;

private:
    EngineHeap& heap_;
};

}  // namespace

OperationDeadline::OperationDeadline(std::chrono::milliseconds budget)
    : outermost_(!operation.active)
{
    if (!outermost_) return;
    operation.deadline = std::chrono::steady_clock::now() + budget;
    operation.active = true;
}

OperationDeadline::~OperationDeadline()
{
    if (outermost_) operation.active = false;
}

struct ScriptEngine::CallFrame {
    How how;
    const char* code;
    std::size_t length;
    const char* value;  // the value argument, for the calls that take one
    std::size_t value_length;
    Want want;
    bool convertible;
};

// Turns the value on top of the stack into the kind wanted.
void ScriptEngine::convert_result(duk_context* context, CallFrame& frame)
{
    switch (frame.want) {
        case Want::nothing:
            break;
        case Want::text:
            if (duk_is_null_or_undefined(context, -1)) {
                duk_pop(context);
                duk_push_string(context, "");
            } else {
                duk_to_string(context, -1);
            }
            break;
        case Want::number:
            // A number is taken as it is, NaN included; anything else needs a numeric
            // reading, and a text like "abc" (NaN once converted) has none.
            if (!duk_is_number(context, -1)) {
                frame.convertible = !std::isnan(duk_to_number(context, -1));
            }
            break;
        case Want::boolean:
            duk_to_boolean(context, -1);
            break;
    }
}

// The protected part of a call. The engine reports errors by long jumps through
// this frame, so it holds nothing with a destructor.
duk_ret_t ScriptEngine::run_protected(duk_context* context, void* udata)
{
    auto* frame = static_cast<CallFrame*>(udata);
    switch (frame->how) {
        case How::program:
        case How::eval:
            duk_compile_lstring(context, frame->how == How::program ? 0 : DUK_COMPILE_EVAL,
                                frame->code, frame->length);
            duk_call(context, 0);
            break;
        case How::call_with_value:
            // The value is pushed as a string: whatever it holds, it is never read as
            // script text.
            duk_compile_lstring(context, DUK_COMPILE_EVAL, frame->code, frame->length);
            duk_call(context, 0);
            duk_push_lstring(context, frame->value, frame->value_length);
            duk_call(context, 1);
            break;
        case How::json_into_global: {
            duk_push_lstring(context, frame->value, frame->value_length);
            duk_json_decode(context, -1);
            const bool is_string = duk_is_string(context, -1) != 0;
            duk_put_global_lstring(context, frame->code, frame->length);
            duk_push_boolean(context, is_string);
            break;
        }
    }
    convert_result(context, *frame);
    return 1;
}

std::shared_ptr<ScriptEngine> ScriptEngine::create(const ScriptLimits& limits)
{
    std::shared_ptr<ScriptEngine> engine(new ScriptEngine(limits));
    EngineHeap& heap = *engine->heap_;
    heap.cap = limits.memory_cap;
    const Enforced enforced(heap, within_operation(limits.time_budget));
    engine->context_ =
        duk_create_heap(engine_alloc, engine_realloc, engine_free, &heap, engine_fatal);
    if (engine->context_ == nullptr) return nullptr;
    return engine;
}

ScriptEngine::ScriptEngine(const ScriptLimits& limits)
    : limits_(limits), heap_(std::make_unique<EngineHeap>())
{
}

ScriptEngine::~ScriptEngine()
{
    if (context_ == nullptr) return;
    // Finalizers run as the heap ends; they share what is left of the engine's time.
    const Enforced enforced(*heap_, budget_left());
    duk_destroy_heap(context_);
}

std::chrono::milliseconds ScriptEngine::budget_left() const
{
    std::chrono::milliseconds budget = within_operation(limits_.time_budget);
    if (limits_.engine_budget.count() <= 0) return budget;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(limits_.engine_budget - time_used_);
    return std::max(std::chrono::milliseconds(0), std::min(budget, left));
}

ScriptEngine::Result ScriptEngine::run(How how, const Text& code, const Text& value, Want want)
{
    Result result;
    const std::chrono::milliseconds budget = budget_left();
    if (budget.count() <= 0) return result;
    const std::string source = engine_text_from_gbk(code);
    const std::string value_source = engine_text_from_gbk(value);
    CallFrame frame{how,  source.data(), source.size(), value_source.data(), value_source.size(),
                    want, true};
    const auto started = std::chrono::steady_clock::now();
    const Enforced enforced(*heap_, budget);
    const auto outcome = duk_safe_call(context_, run_protected, &frame, 0, 1);
    time_used_ += std::chrono::steady_clock::now() - started;
    if (outcome == DUK_EXEC_SUCCESS) {
        result.ok = frame.convertible;
        switch (want) {
            case Want::nothing:
                break;
            case Want::text: {
                duk_size_t length = 0;
                const char* bytes = duk_get_lstring(context_, -1, &length);
                result.text = gbk_from_engine_text(std::string_view(bytes, length));
                break;
            }
            case Want::number:
                result.number = result.ok ? duk_get_number(context_, -1) : 0;
                break;
            case Want::boolean:
                result.boolean = duk_get_boolean(context_, -1) != 0;
                break;
        }
    }
    duk_pop(context_);
    return result;
}

bool ScriptEngine::add_code(const Text& code)
{
    return run(How::program, code, {}, Want::nothing).ok;
}

bool ScriptEngine::eval(const Text& code)
{
    return run(How::eval, code, {}, Want::nothing).ok;
}

Text ScriptEngine::eval_text(const Text& code)
{
    return run(How::eval, code, {}, Want::text).text;
}

double ScriptEngine::eval_number(const Text& code)
{
    return run(How::eval, code, {}, Want::number).number;
}

bool ScriptEngine::eval_boolean(const Text& code)
{
    return run(How::eval, code, {}, Want::boolean).boolean;
}

bool ScriptEngine::call_with_text(const Text& function, const Text& value)
{
    return run(How::call_with_value, function, value, Want::nothing).ok;
}

JsonRead ScriptEngine::read_json(const Text& name, const Text& json)
{
    const Result result = run(How::json_into_global, name, json, Want::boolean);
    if (!result.ok) return JsonRead::not_json;
    return result.boolean ? JsonRead::string : JsonRead::other_value;
}
